// Defects the round-trip checks found, each pinned down with the exact
// bytes a save must write.
#include <support/GenerateText.h>
#include <support/RoundTrip.h>

#include <gtest/gtest.h>

namespace {

std::string SaveUnchangedOrRetitled(const std::string& strInput, const wchar_t* pszTitle, std::wstring* pTitleRead)
{
    TempDir dir;
    WriteFileBytes(dir.File("t.htm"), strInput);
    RoundTripDocument doc(dir.WideFile("t.htm").c_str(), PARSE_ALL);
    const wchar_t* pszRead = doc.GetTitle();
    if (pTitleRead) *pTitleRead = pszRead ? pszRead : L"";
    if (pszTitle) doc.SetTitle(pszTitle);
    const std::string strError = SaveAndCheck(doc, dir.WideFile("saved.htm"));
    if (!strError.empty()) return "checker: " + strError;
    return ReadFileBytes(dir.File("saved.htm"));
}

} // namespace

// A stray title end tag later in the file used to stretch the title's span
// up to it, and the save replaced everything in between (head, objects,
// body tag, text) by the title element.
TEST(SaveRegression, AStrayTitleEndTagDoesNotSwallowTheTextBeforeIt)
{
    std::wstring strTitle;
    EXPECT_EQ("<title>New</title>\n<link rel=\"stylesheet\" href=\"s.css\" type=\"text/css\" />"
              "<body bgcolor=\"red\">\n<p>text</p></title></body>",
              SaveUnchangedOrRetitled("<TITLE>Old</TITLE>\n<link rel=stylesheet href=s.css><body bgcolor=red>\n"
                                      "<p>text</p></title></body>",
                                      L"New", &strTitle));
    EXPECT_EQ(L"Old", strTitle) << "the stray end tag does not empty the title either";
    // Before any title start tag, it records nothing.
    EXPECT_EQ("</title><p>x</p><title>T</title>",
              SaveUnchangedOrRetitled("</title><p>x</p><TITLE>T</TITLE>", nullptr, &strTitle));
    EXPECT_EQ(L"T", strTitle);
}

// In a file marked as UTF-8, bytes that begin no well-formed sequence used
// to read as U+FFFD and were written back as EF BF BD, changing text the
// library never recorded.
TEST(SaveRegression, StrayBytesInAMarkedUtf8FileKeepTheirBytes)
{
    EXPECT_EQ("\xEF\xBB\xBF<title>Neu</title><p>caf\xE9 \xE2\x82 \xFF \xC3\xA9</p>",
              SaveUnchangedOrRetitled("\xEF\xBB\xBF<title>Alt</title><p>caf\xE9 \xE2\x82 \xFF \xC3\xA9</p>", L"Neu",
                                      nullptr));
    // Inside a recorded element, written anew, the byte survives as well.
    EXPECT_EQ("\xEF\xBB\xBF<body title=\"\xE9\">",
              SaveUnchangedOrRetitled("\xEF\xBB\xBF<body title=\xE9>", nullptr, nullptr));
}
