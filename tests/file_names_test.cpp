#include <htmlfile/outside/FileNames.h>

#include <gtest/gtest.h>

namespace {

TEST(FileNamesTest, AbsoluteResolvesAgainstTheDocumentsFolder)
{
    const struct {
        const wchar_t* doc;
        const wchar_t* name;
        const wchar_t* expected;
        BOOL bResolved;
    } cases[] = {
        {L"/help/topics/a.htm", L"img/b.gif", L"/help/topics/img/b.gif", TRUE},
        {L"/help/topics/a.htm", L"..\\img\\b.gif", L"/help/img/b.gif", TRUE},
        {L"/help/topics/a.htm", L"./x/../b.gif", L"/help/topics/b.gif", TRUE},
        {L"/help/topics/a.htm", L"../../../../b.gif", L"/b.gif", TRUE},
        {L"/help/topics/a.htm", L"b.htm#part?x", L"/help/topics/b.htm#part?x", TRUE},
        {L"/help/topics/a.htm", L"sub/..\\x/./b.htm?q=a/../b", L"/help/topics/x/b.htm?q=a/../b", TRUE},
        {L"/help/topics/a.htm", L"sub/", L"/help/topics/sub/", TRUE},
        {L"/help/topics/a.htm", L"..", L"/help/", TRUE},
        {L"/help/topics/a.htm", L"/other//dir/./b.gif", L"/other/dir/b.gif", TRUE},
        {L"C:\\Help\\a.htm", L"img\\b.gif", L"C:/Help/img/b.gif", TRUE},
        {L"/help/a.htm", L"d:\\pics\\..\\b.gif", L"d:/b.gif", TRUE},
        {L"/help/a.htm", L"\\\\server\\share\\b.gif", L"//server/share/b.gif", TRUE},
        {L"a.htm", L"../b.gif", L"../b.gif", TRUE},
        {L"/help/a.htm", L"http://example.com/x/../b.gif", L"http://example.com/x/../b.gif", FALSE},
        {L"/help/a.htm", L"ms-its:help.chm::/b.htm", L"ms-its:help.chm::/b.htm", FALSE},
        {L"/help/a.htm", L"mk:@MSITStore:c:\\h.chm::/b.htm", L"mk:@MSITStore:c:\\h.chm::/b.htm", FALSE},
        {L"/help/a.htm", L"#top", L"#top", FALSE},
        {L"/help/a.htm", L"?q", L"?q", FALSE},
        {L"/help/a.htm", L"", L"", FALSE},
    };
    for (const auto& c : cases) {
        CString result(L"unchanged");
        EXPECT_EQ(AbsoluteFileNameFromFileName(c.doc, c.name, &result), c.bResolved) << c.doc << " + " << c.name;
        EXPECT_EQ(result, c.expected) << c.doc << " + " << c.name;
    }
}

TEST(FileNamesTest, RelativeWritesTheNameFromTheDocumentsFolder)
{
    const struct {
        const wchar_t* doc;
        const wchar_t* name;
        int nAllowParent, nForwardSlash, nDotPrefix;
        const wchar_t* expected; // null: no relative form
    } cases[] = {
        {L"/help/topics/a.htm", L"/help/topics/img/b.gif", 1, 1, 0, L"img/b.gif"},
        {L"/help/topics/a.htm", L"/help/topics/img/b.gif", 1, 0, 1, L".\\img\\b.gif"},
        {L"/help/topics/a.htm", L"/help/topics/b.gif", 0, 1, 1, L"./b.gif"},
        {L"/help/topics/a.htm", L"/help/img/b.gif#x", 1, 1, 0, L"../img/b.gif#x"},
        {L"/help/topics/a.htm", L"/help/img/b.gif", 1, 0, 1, L"..\\img\\b.gif"},
        {L"/help/topics/a.htm", L"/help/img/b.gif", 0, 1, 0, nullptr},
        {L"/help/topics/a.htm", L"/other/b.gif", 1, 1, 0, L"../../other/b.gif"},
        {L"/help/topics/a.htm", L"\\help\\topics\\..\\topics2\\b.gif", 1, 1, 0, L"../topics2/b.gif"},
        {L"/help/topics/a.htm", L"/help/topics/", 1, 1, 0, L"./"},
        {L"/a.htm", L"/b.gif", 1, 1, 0, L"b.gif"},
        {L"C:\\Help\\a.htm", L"c:/help/Img/b.gif", 1, 1, 0, L"Img/b.gif"},
        {L"C:\\Help\\a.htm", L"D:\\Help\\b.gif", 1, 1, 0, nullptr},
        {L"/Help/a.htm", L"/help/b.gif", 1, 1, 0, L"../help/b.gif"},
        {L"/help/a.htm", L"img/b.gif", 1, 1, 0, nullptr},
        {L"help/a.htm", L"/help/b.gif", 1, 1, 0, nullptr},
        {L"/help/a.htm", L"http://example.com/b.gif", 1, 1, 0, nullptr},
        {L"/help/a.htm", L"#top", 1, 1, 0, nullptr},
        {L"/help/a.htm", L"", 1, 1, 0, nullptr},
    };
    for (const auto& c : cases) {
        CString result(L"unchanged");
        const BOOL bFound = RelativeFileNameFromFileName(c.doc, c.name, &result, c.nAllowParent, c.nForwardSlash,
                                                         c.nDotPrefix);
        EXPECT_EQ(bFound != FALSE, c.expected != nullptr) << c.doc << " - " << c.name;
        EXPECT_EQ(result, c.expected ? c.expected : L"unchanged") << c.doc << " - " << c.name;
    }
}

} // namespace
