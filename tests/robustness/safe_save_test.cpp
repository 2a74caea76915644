// Saves that lose nobody's data: a save copies only from the version it
// parsed, replaces the file in one step or in place with a backup, keeps
// links, owners, permissions and attributes, and fails with a cause rather
// than half-succeed.
#include <support/FileOps.h>
#include <support/Helpers.h>

#include <htmlfile/platform/Prompt.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
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

const std::string kTopic = "<html><head><title>Old title</title></head><body bgcolor=\"red\">Text</body></html>";
const std::string kSaved = "<html><head><title>New</title></head><body bgcolor=\"red\">Text</body></html>";

namespace fs = std::filesystem;

std::set<std::string> FilesIn(const TempDir& dir)
{
    return ::FilesIn(dir.Path());
}

// The topic in a new folder, prepared (links, owners, modes: anything that
// gives the file a new change time) before the document reads it.
struct PreparedTopic {
    template <class Prepare>
    explicit PreparedTopic(Prepare prepare) : path(dir.File("t.htm"))
    {
        WriteBytes(path, kTopic);
        prepare(*this);
        doc = std::make_unique<CHtmlFile>(dir.WideFile("t.htm").c_str(), PARSE_ALL);
    }
    PreparedTopic() : PreparedTopic([](PreparedTopic&) {}) {}

    TempDir dir;
    std::string path;
    std::unique_ptr<CHtmlFile> doc;
};

unsigned long long FileIndex(const std::string& path)
{
    const unsigned long long nIndex = FileIndexOf(path);
    EXPECT_NE(0u, nIndex) << path;
    return nIndex;
}

// A document whose parse rewrites its own file at the title tag, as another
// program could while a big topic is read.
class RewrittenWhileRead : public CHtmlFile {
public:
    // The base reads no file (its name is empty), so that the parse below
    // calls this class back.
    RewrittenWhileRead(const std::wstring& path, std::string file, int nRewrites)
        : CHtmlFile(L"", PARSE_ALL), m_file(std::move(file)), m_nRewrites(nRewrites)
    {
        m_strFileName = path.c_str();
        m_fileStatus.m_size = ~0ULL;
        ParseFile();
    }

protected:
    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag, TagAttribute* const p) override
    {
        if (m_nRewrites > 0 && std::wstring(pszTag) == L"title") {
            --m_nRewrites;
            WriteBytes(m_file, "<html><title>Rewritten " + std::to_string(m_nRewrites) + "</title></html>");
        }
        return CHtmlFile::callback(html, reason, pszTag, p);
    }

private:
    std::string m_file;
    int m_nRewrites;
};

TEST(SafeSave, AFileChangedWhileReadIsReadAgainOrRefused)
{
    TempDir dir;
    WriteBytes(dir.File("t.htm"), kTopic);
    RewrittenWhileRead once(dir.WideFile("t.htm"), dir.File("t.htm"), 1);
    EXPECT_STREQ(L"Rewritten 0", once.GetTitle());
    EXPECT_EQ(nullptr, once.GetLastFailure());

    WriteBytes(dir.File("t.htm"), kTopic);
    RewrittenWhileRead always(dir.WideFile("t.htm"), dir.File("t.htm"), 1000);
    EXPECT_EQ(nullptr, always.GetTitle());
    ASSERT_NE(nullptr, always.GetLastFailure());
    EXPECT_STREQ(L"the file keeps changing while it is read", always.GetLastFailure());
}

// Another program rewrites the topic between reading and saving, with the
// same size and the same whole-second time: the save sees it and asks.
TEST(SafeSave, AChangeWithinTheSameSecondIsSeenBeforeSaving)
{
    const std::string other = "<html><head><title>Its title</title></head><body bgcolor=\"red\">Text</body></html>";
    ASSERT_EQ(kTopic.size(), other.size());
    for (int nAnswer : {IDNO, IDYES}) {
        Topic topic(kTopic);
        topic.doc.SetTitle(L"Mine");
        RewriteFile(topic.dir.File("t.htm"), other, 0);
        int nAsked = 0;
        SetPromptHandler([&](const wchar_t*, UINT) { return ++nAsked, nAnswer; });
        const BOOL bSaved = topic.doc.SaveFile();
        SetPromptHandler(nullptr);
        EXPECT_EQ(1, nAsked);
        EXPECT_EQ(nAnswer == IDYES, bSaved != 0);
        // No keeps the other program's file, Yes saves against it: never a splice.
        EXPECT_EQ(other, ReadBytes(topic.dir.File("t.htm")));
        if (nAnswer == IDNO) { EXPECT_STREQ(L"changed on disk since it was read", topic.doc.GetLastFailure()); }
    }
}

struct StepCase {
    SaveStep step;
    bool bHardLink;     // forces the save in place
    BOOL bSaved;        // what SaveFile returns
    const char* pszText; // expected bytes of the topic afterwards
    const wchar_t* pszCause; // start of GetLastFailure, or null
};

TEST(SafeSave, EachFailingStepEndsInOneWholeVersionAndNamesItsCause)
{
    const StepCase cases[] = {
        {SaveStep::rename, false, FALSE, kTopic.c_str(), L"cannot replace "},
        {SaveStep::folderFlush, false, TRUE, kSaved.c_str(), L"saved, but the folder could not be flushed"},
        {SaveStep::ownerCopy, false, TRUE, kSaved.c_str(), nullptr}, // saved in place instead
        {SaveStep::backupWrite, true, FALSE, kTopic.c_str(), L"cannot back up "},
        {SaveStep::inPlaceWrite, true, FALSE, kTopic.c_str(), L"cannot write "},
        {SaveStep::restoreWrite, true, TRUE, kSaved.c_str(), nullptr}, // never reached
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        PreparedTopic topic([&](PreparedTopic& t) {
            if (c.bHardLink) { ASSERT_TRUE(MakeHardLink(t.path, t.dir.File("link.htm"))); }
        });
        const unsigned long long nIndex = FileIndex(topic.path);
        topic.doc->SetTitle(L"New");
        htmlfile_testing::FailStep(c.step);
        EXPECT_EQ(c.bSaved, topic.doc->SaveFile());
        htmlfile_testing::ResetFaults();
        EXPECT_EQ(c.pszText, ReadBytes(topic.path));
        if (c.bHardLink) { EXPECT_EQ(c.pszText, ReadBytes(topic.dir.File("link.htm"))); }
        const wchar_t* pszCause = topic.doc->GetLastFailure();
        if (c.pszCause) {
            ASSERT_NE(nullptr, pszCause);
            EXPECT_EQ(0, std::wcsncmp(c.pszCause, pszCause, std::wcslen(c.pszCause))) << WideToUtf8(pszCause);
        } else {
            EXPECT_EQ(nullptr, pszCause) << WideToUtf8(pszCause);
        }
        // Only a save by renaming gives the path a new file.
        const bool bRenamed = c.bSaved && !c.bHardLink && c.step != SaveStep::ownerCopy;
        EXPECT_EQ(!bRenamed, FileIndex(topic.path) == nIndex);
        EXPECT_EQ(1u + c.bHardLink, FilesIn(topic.dir).size());
    }
}

// When even putting the old text back fails, both versions stay beside the
// topic and the cause names them.
TEST(SafeSave, AFailedRestoreKeepsBothVersionsAndNamesThem)
{
    PreparedTopic topic([](PreparedTopic& t) { ASSERT_TRUE(MakeHardLink(t.path, t.dir.File("link.htm"))); });
    topic.doc->SetTitle(L"New");
    htmlfile_testing::FailStep(SaveStep::inPlaceWrite);
    htmlfile_testing::FailStep(SaveStep::restoreWrite);
    EXPECT_FALSE(topic.doc->SaveFile());
    htmlfile_testing::ResetFaults();
    const std::string cause = WideToUtf8(topic.doc->GetLastFailure());
    std::set<std::string> names = FilesIn(topic.dir);
    names.erase("t.htm"), names.erase("link.htm");
    ASSERT_EQ(2u, names.size()) << cause;
    std::set<std::string> contents;
    for (const std::string& name : names) {
        // Named by their full paths, as the folder resolves (on Windows with
        // its own separators).
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
    // Windows gives symbolic links to administrators and developer mode
    // only; Wine 8 makes them but opens nothing through them.
    if (kWindows && (!bSymbolic || !std::ifstream(fs::u8path(topic.dir.File("sym.htm")))))
        GTEST_SKIP() << "no symbolic link that opens its target can be made here";
    ASSERT_TRUE(bSymbolic);
    const std::string target = topic.path;
    {
        CHtmlFile viaLink(topic.dir.WideFile("sym.htm").c_str(), PARSE_ALL);
        viaLink.SetTitle(L"New");
        ASSERT_TRUE(viaLink.SaveFile()) << WideToUtf8(viaLink.GetLastFailure());
    }
    EXPECT_TRUE(IsSymbolicLink(topic.dir.File("sym.htm")));
    EXPECT_EQ(kSaved, ReadBytes(target));
    EXPECT_EQ(kSaved, ReadBytes(topic.dir.File("hard.htm"))); // saved in place: still one file
    EXPECT_EQ(2u, fs::hard_link_count(fs::u8path(target)));
    EXPECT_EQ(3u, FilesIn(topic.dir).size());
}

// Saved in place through the other name too.
TEST(SafeSave, HardLinksStayOneFile)
{
    PreparedTopic topic([](PreparedTopic& t) { ASSERT_TRUE(MakeHardLink(t.path, t.dir.File("hard.htm"))); });
    const unsigned long long nIndex = FileIndex(topic.path);
    topic.doc->SetTitle(L"New");
    ASSERT_TRUE(topic.doc->SaveFile()) << WideToUtf8(topic.doc->GetLastFailure());
    EXPECT_EQ(kSaved, ReadBytes(topic.dir.File("hard.htm")));
    EXPECT_EQ(nIndex, FileIndex(topic.path));
    EXPECT_EQ(nIndex, FileIndex(topic.dir.File("hard.htm")));
    EXPECT_EQ(2u, FilesIn(topic.dir).size());
}

// SaveFileAs onto the document's own file by another name is a SaveFile.
TEST(SafeSave, SaveAsOntoTheSameFileByAnotherNameSavesIt)
{
    PreparedTopic topic([](PreparedTopic& t) { ASSERT_TRUE(MakeHardLink(t.path, t.dir.File("other.htm"))); });
    topic.doc->SetTitle(L"New");
    ASSERT_TRUE(topic.doc->SaveFileAs(topic.dir.WideFile("other.htm").c_str()));
    EXPECT_EQ(kSaved, ReadBytes(topic.dir.File("t.htm")));
    EXPECT_EQ(kSaved, ReadBytes(topic.dir.File("other.htm")));
}

#ifndef _WIN32
TEST(SafeSave, OwnerPermissionsAndAttributesAreKept)
{
    const bool bRoot = ::geteuid() == 0;
    bool bAttributes = false;
    PreparedTopic topic([&](PreparedTopic& t) {
        ASSERT_EQ(0, ::chmod(t.path.c_str(), 0640));
        if (bRoot) { ASSERT_EQ(0, ::chown(t.path.c_str(), 1234, 5678)); }
        bAttributes = ::setxattr(t.path.c_str(), "user.reviewed", "yes", 3, 0) == 0;
    });
    const std::string& path = topic.path;
    topic.doc->SetTitle(L"New");
    ASSERT_TRUE(topic.doc->SaveFile()) << WideToUtf8(topic.doc->GetLastFailure());
    struct stat st {};
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    if (bRoot) {
        EXPECT_EQ(1234u, st.st_uid);
        EXPECT_EQ(5678u, st.st_gid);
    }
    if (bAttributes) {
        char value[8] = {};
        EXPECT_EQ(3, ::getxattr(path.c_str(), "user.reviewed", value, sizeof value));
        EXPECT_STREQ("yes", value);
    } else {
        std::printf("[ SKIPPED  ] extended attributes: this file system takes no user.* attributes\n");
    }
    EXPECT_EQ(kSaved, ReadBytes(path));
}

TEST(SafeSave, AnAccessControlListIsKept)
{
    bool bAcl = false;
    PreparedTopic topic([&](PreparedTopic& t) {
        bAcl = std::system(("setfacl -m u:1234:rw '" + t.path + "' 2>/dev/null").c_str()) == 0;
    });
    if (!bAcl) GTEST_SKIP() << "setfacl is missing, or this file system keeps no ACLs";
    const std::string& path = topic.path;
    const std::string getfacl = "getfacl -cp '" + path + "' > '" + topic.dir.File("acl.txt") + "'";
    ASSERT_EQ(0, std::system(getfacl.c_str()));
    const std::string before = ReadBytes(topic.dir.File("acl.txt"));
    topic.doc->SetTitle(L"New");
    ASSERT_TRUE(topic.doc->SaveFile()) << WideToUtf8(topic.doc->GetLastFailure());
    ASSERT_EQ(0, std::system(getfacl.c_str()));
    EXPECT_EQ(before, ReadBytes(topic.dir.File("acl.txt")));
    EXPECT_NE(std::string::npos, before.find("user:1234:rw-"));
}

#else
// ReplaceFileW gives the new text the old file's attributes and alternate
// data streams (and its ACL, owner and creation time).
TEST(SafeSave, AttributesAndStreamsAreKept)
{
    bool bStream = false;
    PreparedTopic topic([&](PreparedTopic& t) {
        const std::wstring path = t.dir.WideFile("t.htm");
        ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
        // Wine has no streams: it would make a file of that name.
        DWORD nFlags = 0;
        const std::wstring root = fs::path(path).root_path().wstring();
        if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &nFlags, nullptr, 0) ||
            !(nFlags & FILE_NAMED_STREAMS))
            return;
        std::ofstream stream(fs::path(path + L":reviewed"), std::ios::binary);
        bStream = static_cast<bool>(stream << "yes" << std::flush);
    });
    const std::wstring path = topic.dir.WideFile("t.htm");
    topic.doc->SetTitle(L"New");
    ASSERT_TRUE(topic.doc->SaveFile()) << WideToUtf8(topic.doc->GetLastFailure());
    EXPECT_EQ(kSaved, ReadBytes(topic.path));
    EXPECT_NE(0u, ::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    if (bStream) {
        std::ifstream stream(fs::path(path + L":reviewed"), std::ios::binary);
        std::string value;
        EXPECT_TRUE(std::getline(stream, value));
        EXPECT_EQ("yes", value);
    } else {
        std::printf("[ SKIPPED  ] alternate data streams: this file system has none (Wine)\n");
    }
}

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

// Everyone may write the topic, which no new file in the folder allows:
// the saved topic still lets them. (Wine keeps an ACL as the Unix
// permission bits; Windows keeps it as given.)
TEST(SafeSave, AnAccessControlListIsKept)
{
    PreparedTopic topic([](PreparedTopic& t) {
        const std::wstring path = t.dir.WideFile("t.htm");
        PSECURITY_DESCRIPTOR pDescriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;FA;;;WD)(A;;FA;;;SY)", SDDL_REVISION_1,
                                                                          &pDescriptor, nullptr));
        BOOL bPresent = FALSE, bDefaulted = FALSE;
        PACL pAcl = nullptr;
        ::GetSecurityDescriptorDacl(pDescriptor, &bPresent, &pAcl, &bDefaulted);
        std::wstring target = path;
        EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
                  ::SetNamedSecurityInfoW(target.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                          pAcl, nullptr));
        ::LocalFree(pDescriptor);
    });
    const std::wstring path = topic.dir.WideFile("t.htm");
    const std::wstring before = AccessControlOf(path);
    ASSERT_FALSE(before.empty());
    WriteBytes(topic.dir.File("fresh.htm"), "");
    ASSERT_NE(before, AccessControlOf(topic.dir.WideFile("fresh.htm"))) << "a new file would get the same ACL";
    std::filesystem::remove(std::filesystem::u8path(topic.dir.File("fresh.htm")));
    topic.doc->SetTitle(L"New");
    ASSERT_TRUE(topic.doc->SaveFile()) << WideToUtf8(topic.doc->GetLastFailure());
    EXPECT_EQ(kSaved, ReadBytes(topic.path));
    EXPECT_EQ(before, AccessControlOf(path));
}

// Another program (an editor, a help compiler) that holds the topic open:
// sharing writing and deletion, it lets the save through; without, the
// save is refused by name, and the file stays as it was.
TEST(SafeSave, AProgramHoldingTheFileWithoutSharingStopsTheSave)
{
    const struct {
        DWORD nShare;
        bool bSaved;
    } cases[] = {
        {FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
        {FILE_SHARE_READ, false},
        {FILE_SHARE_READ | FILE_SHARE_WRITE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nShare);
        PreparedTopic topic;
        topic.doc->SetTitle(L"New");
        const std::wstring path = topic.dir.WideFile("t.htm");
        HANDLE hOther = ::CreateFileW(path.c_str(), GENERIC_READ, c.nShare, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hOther);
        const BOOL bSaved = topic.doc->SaveFile();
        ::CloseHandle(hOther);
        EXPECT_EQ(c.bSaved, bSaved != FALSE);
        EXPECT_EQ(1u, FilesIn(topic.dir).size());
        if (c.bSaved) {
            EXPECT_EQ(kSaved, ReadBytes(topic.path));
            continue;
        }
        EXPECT_EQ(kTopic, ReadBytes(topic.path));
        ASSERT_NE(nullptr, topic.doc->GetLastFailure());
        const std::wstring cause = topic.doc->GetLastFailure();
        EXPECT_NE(std::wstring::npos, cause.find(L"another program has the file open (sharing violation)")) << cause;
        EXPECT_NE(std::wstring::npos, cause.find(L"t.htm")) << cause;
        // Once the other program lets go, the same document saves.
        EXPECT_TRUE(topic.doc->SaveFile()) << WideToUtf8(topic.doc->GetLastFailure());
        EXPECT_EQ(kSaved, ReadBytes(topic.path));
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
    topic.doc->SetTitle(L"New");
    EXPECT_FALSE(topic.doc->SaveFile());
    EXPECT_STREQ(L"read-only", topic.doc->GetLastFailure());
    EXPECT_EQ(kTopic, ReadBytes(topic.path));
    EXPECT_FALSE(topic.doc->SaveFileAs(topic.dir.WideFile("out.htm").c_str()));
    EXPECT_EQ(0u, std::wstring(topic.doc->GetLastFailure()).find(topic.dir.WideFile("out.htm") + L" is read-only"));
    EXPECT_EQ("old copy", ReadBytes(topic.dir.File("out.htm")));
    EXPECT_EQ(2u, FilesIn(topic.dir).size());
    // Windows deletes no read-only file, not even with its folder.
    SetReadOnly(topic.path, false);
    SetReadOnly(topic.dir.File("out.htm"), false);
}

// A disk that fills up while a copy is written: the file that was there is
// still there, whole, and nothing else is left.
TEST(SafeSave, SaveAsOverAnExistingFileIsAtomic)
{
    Topic topic(kTopic);
    WriteBytes(topic.dir.File("out.htm"), "the old out.htm");
    topic.doc.SetTitle(L"New");
    htmlfile_testing::FailNthWrite(1);
    EXPECT_THROW(topic.doc.SaveFileAs(topic.dir.WideFile("out.htm").c_str()), CFileException);
    htmlfile_testing::ResetFaults();
    EXPECT_EQ("the old out.htm", ReadBytes(topic.dir.File("out.htm")));
    EXPECT_NE(nullptr, topic.doc.GetLastFailure());
    EXPECT_EQ(2u, FilesIn(topic.dir).size());
    ASSERT_TRUE(topic.doc.SaveFileAs(topic.dir.WideFile("out.htm").c_str()));
    EXPECT_EQ(kSaved, ReadBytes(topic.dir.File("out.htm")));
    EXPECT_EQ(kTopic, ReadBytes(topic.dir.File("t.htm")));
}

// A save waits for another program's lock and then sees its change.
TEST(SafeSave, ASaveWaitsForALockHolder)
{
    Topic topic(kTopic);
    topic.doc.SetTitle(L"New");
    CFile holder(topic.path.c_str(), CFile::modeReadWrite | CFile::shareDenyNone);
    ASSERT_EQ(0, htmlfile_platform::LockFile(holder, true, 0));
    std::atomic<bool> bSaving{false};
    std::thread other([&] {
        while (!bSaving) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::string changed = "<html><head><title>Theirs</title></head></html>";
        holder.Write(changed.data(), static_cast<UINT>(changed.size()));
        holder.SetLength(changed.size());
        holder.Close(); // releases the lock
    });
    int nAsked = 0;
    SetPromptHandler([&](const wchar_t*, UINT) { return ++nAsked, IDNO; });
    bSaving = true;
    EXPECT_FALSE(topic.doc.SaveFile());
    SetPromptHandler(nullptr);
    other.join();
    EXPECT_EQ(1, nAsked);
    EXPECT_EQ("<html><head><title>Theirs</title></head></html>", ReadBytes(topic.dir.File("t.htm")));
}

// Two documents on two threads saving one topic over and over: every save
// that succeeded was against the version it read, so the file is always one
// document's whole text, never a splice.
TEST(SafeSave, TwoWritersOnOneFileNeverSplice)
{
    TempDir dir;
    const std::string path = dir.File("t.htm");
    WriteBytes(path, kTopic);
    const std::wstring titles[2] = {L"a", L"BBBBBBBBBBBBBBBBBBBBBBBBBBBBBB"};
    std::set<std::string> valid;
    for (const std::wstring& title : titles)
        valid.insert("<html><head><title>" + WideToUtf8(title.c_str()) +
                     "</title></head><body bgcolor=\"red\">Text</body></html>");
    SetPromptHandler([](const wchar_t*, UINT) { return IDNO; });
    for (int nRound = 0; nRound < 100; ++nRound) {
        WriteBytes(path, kTopic);
        std::thread writers[2];
        for (int i = 0; i < 2; ++i) {
            writers[i] = std::thread([&, i] {
                CHtmlFile doc(dir.WideFile("t.htm").c_str(), PARSE_ALL);
                doc.SetTitle(titles[i].c_str());
                doc.SaveFile();
            });
        }
        for (std::thread& writer : writers) writer.join();
        ASSERT_EQ(1u, valid.count(ReadBytes(path))) << "round " << nRound << ": " << ReadBytes(path);
        ASSERT_EQ(1u, FilesIn(dir).size());
    }
    SetPromptHandler(nullptr);
}

#ifndef _WIN32
TEST(SafeSave, NamesThatAreNotUtf8RoundTrip)
{
    TempDir dir;
    const std::string name = dir.File("r\xe9sum\xe9\xff.htm");
    WriteBytes(name, kTopic);
    WriteBytes(dir.File("r\xc3\xa9sum\xef\xbf\xbd.htm"), "<html><title>Other</title></html>");
    CHtmlFile doc(BytesToWide(name.c_str()).c_str(), PARSE_ALL);
    ASSERT_TRUE(doc.IsValid()) << WideToUtf8(doc.GetLastFailure());
    EXPECT_STREQ(L"Old title", doc.GetTitle());
    doc.SetTitle(L"New");
    ASSERT_TRUE(doc.SaveFile()) << WideToUtf8(doc.GetLastFailure());
    EXPECT_EQ(kSaved, ReadBytes(name));
    EXPECT_EQ(name, WideToBytes(doc.GetFileName()));
}
#else
// Wide names go to the system as they are: characters beyond the ANSI code
// page, a surrogate pair, and a path longer than MAX_PATH.
TEST(SafeSave, WideAndLongNamesAreSaved)
{
    TempDir dir;
    const fs::path folder = fs::u8path(dir.Path());
    const fs::path deep = folder / std::wstring(120, L'd') / std::wstring(120, L'e');
    ASSERT_TRUE(fs::create_directories(L"\\\\?\\" + deep.wstring()));
    for (const fs::path& path : {folder / L"r\u00e9sum\u00e9 \u65e5\u672c \U0001F600.htm", deep / L"t.htm"}) {
        SCOPED_TRACE(path.u8string());
        if (path.filename() == L"t.htm") { ASSERT_GT(path.wstring().size(), size_t{MAX_PATH}); }
        const std::wstring system = path.wstring().size() < MAX_PATH ? path.wstring() : L"\\\\?\\" + path.wstring();
        std::ofstream(fs::path(system), std::ios::binary) << kTopic;
        CHtmlFile doc(path.c_str(), PARSE_ALL);
        ASSERT_TRUE(doc.IsValid()) << WideToUtf8(doc.GetLastFailure());
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

TEST(SafeSave, ATopicTooLargeForPositionsIsRefused)
{
    TempDir dir;
    const std::string path = dir.File("big.htm");
    WriteBytes(path, "<html><title>x</title>");
    CFile(dir.WideFile("big.htm").c_str(), CFile::modeReadWrite).SetLength((1ULL << 31) + 16); // sparse
    CHtmlFile doc(dir.WideFile("big.htm").c_str(), PARSE_ALL);
    EXPECT_FALSE(doc.IsValid());
    EXPECT_EQ(nullptr, doc.GetTitle());
    ASSERT_NE(nullptr, doc.GetLastFailure());
    EXPECT_EQ(0u, std::wstring(doc.GetLastFailure()).rfind(L"too large", 0));
}

} // namespace
