// Saves that lose nobody's data: they copy only from the version parsed, keep
// links, owners and attributes, and fail with a cause rather than half-succeed.
#include <support/FileOps.h>
#include <support/Helpers.h>

#include <htmlfile/platform/Prompt.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#else
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace {

using htmlfile_testing::SaveStep;
namespace fs = std::filesystem;

const std::string kTopic = "<html><head><title>Old title</title></head><body bgcolor=\"red\">Text</body></html>";
const std::string kSaved = "<html><head><title>New</title></head><body bgcolor=\"red\">Text</body></html>";

// The topic in a new folder, prepared (links, modes...) before it is read.
struct PreparedTopic {
    template <class Prepare>
    explicit PreparedTopic(Prepare prepare) : path(dir.File("t.htm")), wpath(dir.WideFile("t.htm"))
    {
        WriteBytes(path, kTopic);
        prepare(*this);
        doc = std::make_unique<CHtmlFile>(wpath.c_str(), PARSE_ALL);
    }
    PreparedTopic() : PreparedTopic([](PreparedTopic&) {}) {}
    BOOL SaveNew() { return doc->SetTitle(L"New"), doc->SaveFile(); }
    std::string Cause() const { return WideToUtf8(doc->GetLastFailure()); }
    size_t Files() const { return FilesIn(dir.Path()).size(); }

    TempDir dir;
    std::string path;
    std::wstring wpath;
    std::unique_ptr<CHtmlFile> doc;
};

// A document whose parse rewrites its own file at the title tag, as another
// program could. (The base reads no file, so the parse calls this class back.)
class RewrittenWhileRead : public CHtmlFile {
public:
    RewrittenWhileRead(const TempDir& dir, int nRewrites) : CHtmlFile(L"", PARSE_ALL), m_file(dir.File("t.htm"))
    {
        WriteBytes(m_file, kTopic);
        m_nRewrites = nRewrites;
        m_strFileName = dir.WideFile("t.htm").c_str();
        m_fileStatus.m_size = ~0ULL;
        ParseFile();
    }

protected:
    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag, TagAttribute* const p) override
    {
        if (m_nRewrites > 0 && std::wstring(pszTag) == L"title")
            WriteBytes(m_file, "<html><title>Rewritten " + std::to_string(--m_nRewrites) + "</title></html>");
        return CHtmlFile::callback(html, reason, pszTag, p);
    }

private:
    std::string m_file;
    int m_nRewrites;
};

TEST(SafeSave, AFileChangedWhileReadIsReadAgainOrRefused)
{
    TempDir dir;
    RewrittenWhileRead once(dir, 1);
    EXPECT_STREQ(L"Rewritten 0", once.GetTitle());
    EXPECT_EQ(nullptr, once.GetLastFailure());
    RewrittenWhileRead always(dir, 1000);
    EXPECT_EQ(nullptr, always.GetTitle());
    EXPECT_EQ("the file keeps changing while it is read", WideToUtf8(always.GetLastFailure()));
}

TEST(SafeSave, EachFailingStepEndsInOneWholeVersionAndNamesItsCause)
{
    const struct {
        SaveStep step;
        bool bHardLink;          // forces the save in place
        BOOL bSaved;             // what SaveFile returns
        const std::string& text; // the topic afterwards
        const char* pszCause;    // start of GetLastFailure, or null
    } cases[] = {
        {SaveStep::rename, false, FALSE, kTopic, "cannot replace "},
        {SaveStep::folderFlush, false, TRUE, kSaved, "saved, but the folder could not be flushed"},
        {SaveStep::ownerCopy, false, TRUE, kSaved, nullptr}, // saved in place instead
        {SaveStep::backupWrite, true, FALSE, kTopic, "cannot back up "},
        {SaveStep::inPlaceWrite, true, FALSE, kTopic, "cannot write "},
        {SaveStep::restoreWrite, true, TRUE, kSaved, nullptr}, // never reached: a plain save through a hard link
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        PreparedTopic topic([&](PreparedTopic& t) {
            if (c.bHardLink) { ASSERT_TRUE(MakeHardLink(t.path, t.dir.File("link.htm"))); }
        });
        const unsigned long long nIndex = FileIndexOf(topic.path);
        ASSERT_NE(0u, nIndex);
        htmlfile_testing::FailStep(c.step);
        EXPECT_EQ(c.bSaved, topic.SaveNew());
        htmlfile_testing::ResetFaults();
        EXPECT_EQ(c.text, ReadBytes(topic.path));
        if (c.bHardLink) { EXPECT_EQ(c.text, ReadBytes(topic.dir.File("link.htm"))); }
        EXPECT_EQ(c.pszCause != nullptr, topic.doc->GetLastFailure() != nullptr) << topic.Cause();
        if (c.pszCause) { EXPECT_EQ(0u, topic.Cause().rfind(c.pszCause, 0)) << topic.Cause(); }
        // Only a save by renaming gives the path a new file.
        const bool bRenamed = c.bSaved && !c.bHardLink && c.step != SaveStep::ownerCopy;
        EXPECT_EQ(!bRenamed, FileIndexOf(topic.path) == nIndex);
        EXPECT_EQ(1u + c.bHardLink, topic.Files());
    }
}

// When putting the old text back fails too, both versions stay, named.
TEST(SafeSave, AFailedRestoreKeepsBothVersionsAndNamesThem)
{
    PreparedTopic topic([](PreparedTopic& t) { ASSERT_TRUE(MakeHardLink(t.path, t.dir.File("link.htm"))); });
    htmlfile_testing::FailStep(SaveStep::inPlaceWrite);
    htmlfile_testing::FailStep(SaveStep::restoreWrite);
    EXPECT_FALSE(topic.SaveNew());
    htmlfile_testing::ResetFaults();
    const std::string cause = topic.Cause();
    std::set<std::string> names = FilesIn(topic.dir.Path()), contents;
    names.erase("t.htm"), names.erase("link.htm");
    ASSERT_EQ(2u, names.size()) << cause;
    for (const std::string& name : names) {
        // By full path as the folder resolves (on Windows, its own separators).
        EXPECT_NE(std::string::npos, cause.find(kWindows ? name : topic.dir.File(name))) << cause;
        contents.insert(ReadBytes(topic.dir.File(name)));
    }
    EXPECT_EQ((std::set<std::string>{kTopic, kSaved}), contents);
    EXPECT_EQ(0u, cause.rfind("the topic is incomplete", 0)) << cause;
}

TEST(SafeSave, LinksStayLinks)
{
    bool bSymbolic = false;
    PreparedTopic topic([&](PreparedTopic& t) {
        bSymbolic = MakeSymbolicLink("t.htm", t.dir.File("sym.htm"));
        ASSERT_TRUE(MakeHardLink(t.path, t.dir.File("hard.htm")));
    });
    // Windows lets only administrators make them; Wine 8 opens nothing through them.
    if (kWindows && (!bSymbolic || !std::ifstream(fs::u8path(topic.dir.File("sym.htm")))))
        GTEST_SKIP() << "no symbolic link that opens its target can be made here";
    ASSERT_TRUE(bSymbolic);
    CHtmlFile viaLink(topic.dir.WideFile("sym.htm").c_str(), PARSE_ALL);
    viaLink.SetTitle(L"New");
    ASSERT_TRUE(viaLink.SaveFile()) << WideToUtf8(viaLink.GetLastFailure());
    EXPECT_TRUE(IsSymbolicLink(topic.dir.File("sym.htm")));
    EXPECT_EQ(kSaved, ReadBytes(topic.path));
    EXPECT_EQ(kSaved, ReadBytes(topic.dir.File("hard.htm"))); // saved in place: still one file
    EXPECT_EQ(2u, fs::hard_link_count(fs::u8path(topic.path)));
    EXPECT_EQ(3u, topic.Files());
}

// SaveFileAs onto the document's own file by another name is a SaveFile.
TEST(SafeSave, SaveAsOntoTheSameFileByAnotherNameSavesIt)
{
    PreparedTopic topic([](PreparedTopic& t) { ASSERT_TRUE(MakeHardLink(t.path, t.dir.File("other.htm"))); });
    topic.doc->SetTitle(L"New");
    ASSERT_TRUE(topic.doc->SaveFileAs(topic.dir.WideFile("other.htm").c_str()));
    EXPECT_EQ(kSaved, ReadBytes(topic.path));
    EXPECT_EQ(kSaved, ReadBytes(topic.dir.File("other.htm")));
}

#ifndef _WIN32
// Mode, owner, and user.* attributes and an ACL where the file system has them.
TEST(SafeSave, OwnerPermissionsAttributesAndAclAreKept)
{
    const bool bRoot = ::geteuid() == 0;
    bool bAttributes = false, bAcl = false;
    PreparedTopic topic([&](PreparedTopic& t) {
        bAcl = std::system(("setfacl -m u:1234:rw '" + t.path + "' 2>/dev/null").c_str()) == 0;
        ASSERT_EQ(0, ::chmod(t.path.c_str(), 0640));
        if (bRoot) { ASSERT_EQ(0, ::chown(t.path.c_str(), 1234, 5678)); }
        bAttributes = ::setxattr(t.path.c_str(), "user.reviewed", "yes", 3, 0) == 0;
    });
    const std::string getfacl = "getfacl -cp '" + topic.path + "' > '" + topic.dir.File("acl.txt") + "'";
    const std::string aclBefore = bAcl && std::system(getfacl.c_str()) == 0 ? ReadBytes(topic.dir.File("acl.txt")) : "";
    ASSERT_TRUE(topic.SaveNew()) << topic.Cause();
    EXPECT_EQ(kSaved, ReadBytes(topic.path));
    struct stat st {};
    ASSERT_EQ(0, ::stat(topic.path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    if (bRoot) { EXPECT_EQ(std::make_pair(1234u, 5678u), std::make_pair(unsigned{st.st_uid}, unsigned{st.st_gid})); }
    char value[8] = {};
    if (bAttributes) { EXPECT_EQ(3, ::getxattr(topic.path.c_str(), "user.reviewed", value, sizeof value)); }
    EXPECT_STREQ(bAttributes ? "yes" : "", value);
    if (bAcl) {
        EXPECT_NE(std::string::npos, aclBefore.find("user:1234:rw-")) << aclBefore;
        ASSERT_EQ(0, std::system(getfacl.c_str()));
        EXPECT_EQ(aclBefore, ReadBytes(topic.dir.File("acl.txt")));
    }
    if (!bAttributes || !bAcl) std::printf("[ SKIPPED  ] this file system takes no user.* attributes or no ACLs\n");
}

TEST(SafeSave, NamesThatAreNotUtf8RoundTrip)
{
    TempDir dir;
    const std::string name = dir.File("r\xe9sum\xe9\xff.htm");
    WriteBytes(name, kTopic);
    WriteBytes(dir.File("r\xc3\xa9sum\xef\xbf\xbd.htm"), "<html><title>Other</title></html>");
    CHtmlFile doc(BytesToWide(name.c_str()).c_str(), PARSE_ALL);
    EXPECT_STREQ(L"Old title", doc.GetTitle());
    doc.SetTitle(L"New");
    ASSERT_TRUE(doc.SaveFile()) << WideToUtf8(doc.GetLastFailure());
    EXPECT_EQ(kSaved, ReadBytes(name));
    EXPECT_EQ(name, WideToBytes(doc.GetFileName()));
}

#else
// The DACL as text (SDDL), empty when it can't be read.
std::wstring AccessControlOf(const std::wstring& path)
{
    PACL pAcl = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &pAcl,
                                nullptr, &pDescriptor) != ERROR_SUCCESS)
        return L"";
    wchar_t* pszText = nullptr;
    ::ConvertSecurityDescriptorToStringSecurityDescriptorW(pDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                          &pszText, nullptr);
    std::wstring text = pszText ? pszText : L"";
    ::LocalFree(pszText);
    ::LocalFree(pDescriptor);
    return text;
}

// Attributes, alternate data streams and an ACL no new file in the folder
// would get (everyone may write) are kept. (Wine has no streams.)
TEST(SafeSave, AttributesStreamsAndAclAreKept)
{
    bool bStream = false;
    PreparedTopic topic([&](PreparedTopic& t) {
        ASSERT_TRUE(::SetFileAttributesW(t.wpath.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
        PSECURITY_DESCRIPTOR pDescriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;FA;;;WD)(A;;FA;;;SY)", SDDL_REVISION_1,
                                                                          &pDescriptor, nullptr));
        BOOL bPresent = FALSE, bDefaulted = FALSE;
        PACL pAcl = nullptr;
        ::GetSecurityDescriptorDacl(pDescriptor, &bPresent, &pAcl, &bDefaulted);
        EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), ::SetNamedSecurityInfoW(t.wpath.data(), SE_FILE_OBJECT,
                                                                             DACL_SECURITY_INFORMATION, nullptr,
                                                                             nullptr, pAcl, nullptr));
        ::LocalFree(pDescriptor);
        DWORD nFlags = 0;
        if (::GetVolumeInformationW(fs::path(t.wpath).root_path().c_str(), nullptr, 0, nullptr, nullptr, &nFlags,
                                    nullptr, 0) && (nFlags & FILE_NAMED_STREAMS))
            bStream = static_cast<bool>(std::ofstream(fs::path(t.wpath + L":reviewed")) << "yes" << std::flush);
    });
    const std::wstring before = AccessControlOf(topic.wpath);
    ASSERT_FALSE(before.empty());
    WriteBytes(topic.dir.File("fresh.htm"), "");
    ASSERT_NE(before, AccessControlOf(topic.dir.WideFile("fresh.htm"))) << "a new file would get the same ACL";
    fs::remove(fs::u8path(topic.dir.File("fresh.htm")));
    ASSERT_TRUE(topic.SaveNew()) << topic.Cause();
    EXPECT_EQ(kSaved, ReadBytes(topic.path));
    EXPECT_EQ(before, AccessControlOf(topic.wpath));
    EXPECT_NE(0u, ::GetFileAttributesW(topic.wpath.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    std::string value;
    if (bStream) { EXPECT_TRUE(std::getline(std::ifstream(fs::path(topic.wpath + L":reviewed")), value)); }
    EXPECT_EQ(bStream ? "yes" : "", value);
    if (!bStream) std::printf("[ SKIPPED  ] alternate data streams: this file system has none (Wine)\n");
}

// Another program holding the topic open lets the save through only when it
// shares writing and deletion; else the save is refused by name until it lets go.
TEST(SafeSave, AProgramHoldingTheFileWithoutSharingStopsTheSave)
{
    for (DWORD nShare : {DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}, DWORD{FILE_SHARE_READ},
                         DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        SCOPED_TRACE(nShare);
        const bool bShared = nShare & FILE_SHARE_DELETE;
        PreparedTopic topic;
        HANDLE hOther = ::CreateFileW(topic.wpath.c_str(), GENERIC_READ, nShare, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hOther);
        const BOOL bSaved = topic.SaveNew();
        ::CloseHandle(hOther);
        EXPECT_EQ(bShared, bSaved != FALSE);
        EXPECT_EQ(1u, topic.Files());
        EXPECT_EQ(bShared ? kSaved : kTopic, ReadBytes(topic.path));
        if (bShared) continue;
        EXPECT_NE(std::string::npos, topic.Cause().find("another program has the file open (sharing violation)"))
            << topic.Cause();
        EXPECT_NE(std::string::npos, topic.Cause().find("t.htm")) << topic.Cause();
        EXPECT_TRUE(topic.doc->SaveFile()) << topic.Cause();
        EXPECT_EQ(kSaved, ReadBytes(topic.path));
    }
}

// Names beyond the ANSI code page, a surrogate pair, a path over MAX_PATH.
TEST(SafeSave, WideAndLongNamesAreSaved)
{
    TempDir dir;
    const fs::path folder = fs::u8path(dir.Path());
    const fs::path deep = folder / std::wstring(120, L'd') / std::wstring(120, L'e');
    ASSERT_TRUE(fs::create_directories(L"\\\\?\\" + deep.wstring()));
    ASSERT_GT((deep / L"t.htm").wstring().size(), size_t{MAX_PATH});
    for (const fs::path& path : {folder / L"r\u00e9sum\u00e9 \u65e5\u672c \U0001F600.htm", deep / L"t.htm"}) {
        SCOPED_TRACE(path.u8string());
        const std::wstring system = path.wstring().size() < MAX_PATH ? path.wstring() : L"\\\\?\\" + path.wstring();
        std::ofstream(fs::path(system), std::ios::binary) << kTopic;
        CHtmlFile doc(path.c_str(), PARSE_ALL);
        EXPECT_STREQ(L"Old title", doc.GetTitle());
        doc.SetTitle(L"New");
        ASSERT_TRUE(doc.SaveFile()) << WideToUtf8(doc.GetLastFailure());
        std::ifstream in(fs::path(system), std::ios::binary);
        EXPECT_EQ(kSaved, std::string(std::istreambuf_iterator<char>(in), {}));
        EXPECT_EQ(path.wstring(), doc.GetFileName());
        for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(system).parent_path()))
            EXPECT_NE(L".tmp", entry.path().extension()) << entry.path().u8string();
    }
}
#endif

TEST(SafeSave, ReadOnlyFilesAreNotSaved)
{
    PreparedTopic topic([](PreparedTopic& t) {
        SetReadOnly(t.path, true);
        WriteBytes(t.dir.File("out.htm"), "old copy");
        SetReadOnly(t.dir.File("out.htm"), true);
    });
    EXPECT_FALSE(topic.SaveNew());
    EXPECT_EQ("read-only", topic.Cause());
    EXPECT_EQ(kTopic, ReadBytes(topic.path));
    EXPECT_FALSE(topic.doc->SaveFileAs(topic.dir.WideFile("out.htm").c_str()));
    EXPECT_EQ(0u, topic.Cause().rfind(topic.dir.File("out.htm") + " is read-only", 0)) << topic.Cause();
    EXPECT_EQ("old copy", ReadBytes(topic.dir.File("out.htm")));
    EXPECT_EQ(2u, topic.Files());
    // Windows deletes no read-only file, not even with its folder.
    SetReadOnly(topic.path, false);
    SetReadOnly(topic.dir.File("out.htm"), false);
}

// A save waits for another program's lock and then sees its change.
TEST(SafeSave, ASaveWaitsForALockHolder)
{
    const std::string changed = "<html><head><title>Theirs</title></head></html>";
    PreparedTopic topic;
    CFile holder(topic.wpath.c_str(), CFile::modeReadWrite | CFile::shareDenyNone);
    ASSERT_EQ(0, htmlfile_platform::LockFile(holder, true, 0));
    std::atomic<bool> bSaving{false};
    std::thread other([&] {
        while (!bSaving) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        holder.Write(changed.data(), static_cast<UINT>(changed.size()));
        holder.SetLength(changed.size());
        holder.Close(); // releases the lock
    });
    int nAsked = 0;
    SetPromptHandler([&](const wchar_t*, UINT) { return ++nAsked, IDNO; });
    bSaving = true;
    EXPECT_FALSE(topic.SaveNew());
    SetPromptHandler(nullptr);
    other.join();
    EXPECT_EQ(1, nAsked);
    EXPECT_EQ(changed, ReadBytes(topic.path));
}

// Two documents on two threads saving one topic over and over: the file is
// always one document's whole text, never a splice.
TEST(SafeSave, TwoWritersOnOneFileNeverSplice)
{
    TempDir dir;
    const std::string path = dir.File("t.htm");
    const std::string titles[2] = {"a", "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBB"};
    const std::string after = "</title></head><body bgcolor=\"red\">Text</body></html>";
    const std::set<std::string> valid = {"<html><head><title>a" + after, "<html><head><title>" + titles[1] + after};
    SetPromptHandler([](const wchar_t*, UINT) { return IDNO; });
    for (int nRound = 0; nRound < 100; ++nRound) {
        WriteBytes(path, kTopic);
        std::thread writers[2];
        for (int i = 0; i < 2; ++i) {
            writers[i] = std::thread([&, i] {
                CHtmlFile doc(dir.WideFile("t.htm").c_str(), PARSE_ALL);
                doc.SetTitle(Utf8ToWide(titles[i].c_str()).c_str());
                doc.SaveFile();
            });
        }
        for (std::thread& writer : writers) writer.join();
        ASSERT_EQ(1u, valid.count(ReadBytes(path))) << "round " << nRound << ": " << ReadBytes(path);
        ASSERT_EQ(1u, FilesIn(dir.Path()).size());
    }
    SetPromptHandler(nullptr);
}

TEST(SafeSave, ATopicTooLargeForPositionsIsRefused)
{
    TempDir dir;
    WriteBytes(dir.File("big.htm"), "<html><title>x</title>");
    CFile(dir.WideFile("big.htm").c_str(), CFile::modeReadWrite).SetLength((1ULL << 31) + 16); // sparse
    CHtmlFile doc(dir.WideFile("big.htm").c_str(), PARSE_ALL);
    EXPECT_FALSE(doc.IsValid());
    EXPECT_EQ(nullptr, doc.GetTitle());
    EXPECT_EQ(0u, WideToUtf8(doc.GetLastFailure()).rfind("too large", 0)) << WideToUtf8(doc.GetLastFailure());
}

} // namespace
