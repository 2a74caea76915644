// The platform layer's own promises, on POSIX and on Windows: what a lock
// covers and how long it lasts, and how a path's folder is found.
#include <support/FileOps.h>
#include <support/Helpers.h>

#include <gtest/gtest.h>

using namespace htmlfile_platform;

namespace {

// A lock by another open file: 0 when it was taken.
int LockByOther(const std::wstring& path, bool bExclusive, int nTimeoutMs = 0)
{
    CFile other(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
    return LockFile(other, bExclusive, nTimeoutMs);
}

} // namespace

// The lock keeps other documents out, never other readers (on Windows it
// covers none of the text). It lasts until the last handle of the open file
// closes. Shared locks share, exclusive ones wait for them.
TEST(FileLock, KeepsLockersOutButLetsEveryoneRead)
{
    TempDir dir;
    WriteBytes(dir.File("t.htm"), "<html>text</html>");
    const std::wstring path = dir.WideFile("t.htm");
    CFile holder(path.c_str(), CFile::modeReadWrite | CFile::shareDenyNone);
    ASSERT_EQ(0, LockFile(holder, true, 0));
    EXPECT_NE(0, LockByOther(path, false));
    EXPECT_EQ(kLockTimedOut, LockByOther(path, false, 50));

    CFile reader(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
    char text[32] = {};
    EXPECT_EQ(17u, reader.Read(text, sizeof text));
    EXPECT_STREQ("<html>text</html>", text);
    {
        CFile duplicate;
        ASSERT_TRUE(duplicate.OpenDuplicate(holder));
        char first[7] = {};
        EXPECT_EQ(6u, duplicate.Read(first, 6)); // from the start
        EXPECT_STREQ("<html>", first);
    }
    EXPECT_NE(0, LockByOther(path, false)); // the duplicate's close kept it
    holder.Close();
    EXPECT_EQ(0, LockByOther(path, true));

    CFile shared(path.c_str(), CFile::modeReadWrite | CFile::shareDenyNone);
    ASSERT_EQ(0, LockFile(shared, false, 0));
    EXPECT_EQ(0, LockByOther(path, false));
    EXPECT_NE(0, LockByOther(path, true));
}

TEST(PlatformPaths, FolderOfAndNamesFolder)
{
    struct Case {
        const wchar_t* pszPath;
        const wchar_t* pszFolder;
        bool bNamesFolder;
    };
    const Case cases[] = {
        {L"/help/t.htm", L"/help", true},
        {L"/t.htm", L"/", true},
        {L"t.htm", L".", false},
        {L"a/b/t.htm", L"a/b", true},
#ifdef _WIN32
        {L"C:\\help\\t.htm", L"C:\\help", true},
        {L"C:\\t.htm", L"C:\\", true},
        {L"C:/help/sub\\t.htm", L"C:/help/sub", true},
        {L"C:t.htm", L"C:", true},
        {L"\\\\server\\share\\t.htm", L"\\\\server\\share", true},
        {L"\\t.htm", L"\\", true},
#else
        {L"a\\b.htm", L".", false}, // a backslash is part of a POSIX name
#endif
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CString(c.pszFolder), FolderOf(c.pszPath)) << WideToUtf8(c.pszPath);
        EXPECT_EQ(c.bNamesFolder, NamesFolder(c.pszPath)) << WideToUtf8(c.pszPath);
    }
}

