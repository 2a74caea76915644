#include <htmlfile/text/FileNames.h>

#include <gtest/gtest.h>

namespace {

// Resolving a name against the document's folder (kAbsolute), and writing
// it relative to that folder with the flags allow-parent (4),
// forward-slash (2) and dot-prefix (1). A relative form that is not found
// leaves the result unchanged.
constexpr int kAbsolute = -1;

TEST(FileNamesTest, AbsoluteAndRelativeNamesFromTheDocumentsFolder)
{
    const struct {
        const wchar_t *doc, *name;
        int nHow;
        BOOL bFound;
        const wchar_t* expected;
    } cases[] = {
        {L"/help/topics/a.htm", L"img/b.gif", kAbsolute, TRUE, L"/help/topics/img/b.gif"},
        {L"/help/topics/a.htm", L"..\\img\\b.gif", kAbsolute, TRUE, L"/help/img/b.gif"},
        {L"/help/topics/a.htm", L"./x/../b.gif", kAbsolute, TRUE, L"/help/topics/b.gif"},
        {L"/help/topics/a.htm", L"../../../../b.gif", kAbsolute, TRUE, L"/b.gif"},
        {L"/help/topics/a.htm", L"b.htm#part?x", kAbsolute, TRUE, L"/help/topics/b.htm#part?x"},
        {L"/help/topics/a.htm", L"sub/..\\x/./b.htm?q=a/../b", kAbsolute, TRUE, L"/help/topics/x/b.htm?q=a/../b"},
        {L"/help/topics/a.htm", L"..", kAbsolute, TRUE, L"/help/"},
        {L"/help/topics/a.htm", L"/other//dir/./b.gif", kAbsolute, TRUE, L"/other/dir/b.gif"},
        {L"C:\\Help\\a.htm", L"img\\b.gif", kAbsolute, TRUE, L"C:/Help/img/b.gif"},
        {L"/help/a.htm", L"d:\\pics\\..\\b.gif", kAbsolute, TRUE, L"d:/b.gif"},
        {L"/help/a.htm", L"\\\\server\\share\\b.gif", kAbsolute, TRUE, L"//server/share/b.gif"},
        {L"a.htm", L"../b.gif", kAbsolute, TRUE, L"../b.gif"},
        {L"/help/a.htm", L"http://example.com/x/../b.gif", kAbsolute, FALSE, L"http://example.com/x/../b.gif"},
        {L"/help/a.htm", L"ms-its:help.chm::/b.htm", kAbsolute, FALSE, L"ms-its:help.chm::/b.htm"},
        {L"/help/a.htm", L"#top", kAbsolute, FALSE, L"#top"},
        {L"/help/a.htm", L"", kAbsolute, FALSE, L""},
        {L"/help/topics/a.htm", L"/help/topics/img/b.gif", 6, TRUE, L"img/b.gif"},
        {L"/help/topics/a.htm", L"/help/topics/img/b.gif", 5, TRUE, L".\\img\\b.gif"},
        {L"/help/topics/a.htm", L"/help/topics/b.gif", 3, TRUE, L"./b.gif"},
        {L"/help/topics/a.htm", L"/help/img/b.gif#x", 6, TRUE, L"../img/b.gif#x"},
        {L"/help/topics/a.htm", L"/help/img/b.gif", 2, FALSE, L"unchanged"},
        {L"/help/topics/a.htm", L"/other/b.gif", 6, TRUE, L"../../other/b.gif"},
        {L"/help/topics/a.htm", L"\\help\\topics\\..\\topics2\\b.gif", 6, TRUE, L"../topics2/b.gif"},
        {L"/help/topics/a.htm", L"/help/topics/", 6, TRUE, L"./"},
        {L"/a.htm", L"/b.gif", 6, TRUE, L"b.gif"},
        {L"C:\\Help\\a.htm", L"c:/help/Img/b.gif", 6, TRUE, L"Img/b.gif"},
        {L"C:\\Help\\a.htm", L"D:\\Help\\b.gif", 6, FALSE, L"unchanged"},
        {L"/Help/a.htm", L"/help/b.gif", 6, TRUE, L"../help/b.gif"},
        {L"/help/a.htm", L"img/b.gif", 6, FALSE, L"unchanged"},
        {L"help/a.htm", L"/help/b.gif", 6, FALSE, L"unchanged"},
        {L"/help/a.htm", L"http://example.com/b.gif", 6, FALSE, L"unchanged"},
    };
    for (const auto& c : cases) {
        CString result(L"unchanged");
        const int n = c.nHow;
        const BOOL bFound = n == kAbsolute ? AbsoluteFileNameFromFileName(c.doc, c.name, &result)
                                           : RelativeFileNameFromFileName(c.doc, c.name, &result, n >> 2, (n >> 1) & 1, n & 1);
        EXPECT_EQ(bFound != FALSE, c.bFound != FALSE) << c.doc << " " << c.nHow << " " << c.name;
        EXPECT_EQ(result, c.expected) << c.doc << " " << c.nHow << " " << c.name;
    }
}

} // namespace
