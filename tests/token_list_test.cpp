// The token list: tag codes, cutting HTML into tag and text tokens with the
// tag scanner, and joining them back exactly.
#include <htmlfile/outside/HtmlTokenList.h>
#include <htmlfile/outside/KvuuStdioFile.h>

#include "support/GenerateText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using Tokens = std::vector<std::pair<int, std::wstring>>;

std::pair<int, std::wstring> Tag(const wchar_t* psz) { return {HTML_TOKEN_TAG, psz}; }
std::pair<int, std::wstring> Text(const wchar_t* psz) { return {HTML_TOKEN_TEXT, psz}; }

Tokens TokensOf(const CHtmlTokenList& list)
{
    Tokens out;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const CHtmlTokenItem* pItem = list.GetNext(pos);
        out.emplace_back(pItem->m_nKind, pItem->m_strText.str());
    }
    return out;
}

// Every tag token looks like a tag and carries the code of its text, and
// no two text tokens are neighbours: a run of text is one token.
void ExpectWellFormed(const CHtmlTokenList& list, const std::string& name)
{
    int previousKind = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const CHtmlTokenItem* pItem = list.GetNext(pos);
        const std::wstring& text = pItem->m_strText.str();
        ASSERT_FALSE(text.empty()) << name;
        if (pItem->m_nKind == HTML_TOKEN_TAG) {
            ASSERT_TRUE(text.front() == L'<' && text.back() == L'>') << name;
            ASSERT_EQ(pItem->m_nTagCode, HtmlTagCodeFromText(text.c_str())) << name;
        } else {
            ASSERT_EQ(pItem->m_nKind, HTML_TOKEN_TEXT) << name;
            ASSERT_NE(previousKind, HTML_TOKEN_TEXT) << name;
        }
        previousKind = pItem->m_nKind;
    }
}

std::filesystem::path CorpusDir()
{
    const char* pszShared = std::getenv("HTMLFILE_SHARED_DIR");
    return std::filesystem::path(pszShared && *pszShared ? pszShared : HTMLFILE_SHARED_DIR) / "corpus" / "files";
}

} // namespace

TEST(TagCodes, FromNameAndText)
{
    // First, last and a neighbour of the table; names ignore case.
    EXPECT_EQ(HtmlTagCodeFromName(L"a"), HTML_TAG_A);
    EXPECT_EQ(HtmlTagCodeFromName(L"XMP"), HTML_TAG_XMP);
    EXPECT_EQ(HtmlTagCodeFromName(L"h7"), HTML_TAG_UNKNOWN);
    EXPECT_EQ(HtmlTagCodeFromName(nullptr), HTML_TAG_UNKNOWN);

    const std::pair<const wchar_t*, int> cases[] = {
        {L"<body>", 64},
        {L"</BODY>", 64 + HTML_ENDTAG_BIT},
        {L"<Body bgcolor=\"red\">", 64},
        {L"</noframes >", 213008 + HTML_ENDTAG_BIT},
        {L"<br/>", HTML_TAG_BR},
        {L"<TD\r\nclass=x>", HTML_TAG_TD},
        {L"<bodyx>", HTML_TAG_UNKNOWN},
        {L"</my-widget>", HTML_ENDTAG_BIT},
        {L"<!-- <body> -->", 0},
        {L"<!DOCTYPE html>", 0},
        {L"< body>", 0},
        {L"</ body>", 0},
        {nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlTagCodeFromText(c.first), c.second) << (c.first ? WideToUtf8(c.first) : "(null)");

    EXPECT_EQ(CHtmlTagItem(L"</FRAME>").m_nTagCode, HTML_TAG_FRAME + HTML_ENDTAG_BIT);
    EXPECT_EQ(CHtmlTagItem(L"</FRAME>").m_nKind, HTML_TOKEN_TAG);
    EXPECT_EQ(CHtmlTextItem(L"<body>").m_nKind, HTML_TOKEN_TEXT);
    EXPECT_EQ(CHtmlTextItem(L"<body>").m_nTagCode, 0);
}

TEST(TokenList, ParseCutsAtTheScannersTags)
{
    const std::pair<const wchar_t*, Tokens> cases[] = {
        {L"", {}},
        {L"plain", {Text(L"plain")}},
        {L"<!DOCTYPE html>\n<html lang=\"de\"><p class='a>b'>x</p></html>",
         {Text(L"<!DOCTYPE html>\n"), Tag(L"<html lang=\"de\">"), Tag(L"<p class='a>b'>"), Text(L"x"), Tag(L"</p>"),
          Tag(L"</html>")}},
        {L"a<!-- <body> </body> -->b<BODY>", {Text(L"a<!-- <body> </body> -->b"), Tag(L"<BODY>")}},
        {L"<script>if (a<b) document.write(\"<p>x</p>\");</script><br/>",
         {Tag(L"<script>"), Text(L"if (a<b) document.write(\"<p>x</p>\");"), Tag(L"</script>"), Tag(L"<br/>")}},
        {L"<p>Gr\u00fc\u00dfe \u20ac\U0001F600</p>\r\n",
         {Tag(L"<p>"), Text(L"Gr\u00fc\u00dfe \u20ac\U0001F600"), Tag(L"</p>"), Text(L"\r\n")}},
        {L"<b>1 < 2</b><a href=\"x", {Tag(L"<b>"), Text(L"1 < 2"), Tag(L"</b>"), Text(L"<a href=\"x")}},
        {L"<i>\xD800 lone</i>", {Tag(L"<i>"), Text(L"\xD800 lone"), Tag(L"</i>")}},
    };
    for (const auto& c : cases) {
        CHtmlTokenList list;
        EXPECT_TRUE(list.Parse(c.first));
        EXPECT_EQ(TokensOf(list), c.second) << WideToUtf8(c.first);
        EXPECT_EQ(list.GetText(), c.first);
        ExpectWellFormed(list, WideToUtf8(c.first));
    }
}

TEST(TokenList, ParseReplacesAndOwnsTokens)
{
    CHtmlTokenList list;
    ASSERT_TRUE(list.Parse(L"<p>one</p>"));
    ASSERT_TRUE(list.Parse(L"two<br>"));
    EXPECT_EQ(TokensOf(list), (Tokens{Text(L"two"), Tag(L"<br>")}));

    const wchar_t withNul[] = L"a\0b<i>\0</i>";
    ASSERT_TRUE(list.Parse(withNul, 11));
    EXPECT_EQ(list.GetText().str(), std::wstring(withNul, 11));

    list.AddTail(nullptr); // skipped, and not deleted twice
    EXPECT_FALSE(list.Parse(nullptr));
    EXPECT_TRUE(list.IsEmpty());
}

// Every corpus file, in whatever encoding the text file class decodes it
// from, parses into tokens that join back to the same text.
TEST(TokenList, CorpusRoundTrip)
{
    const std::filesystem::path dir = CorpusDir();
    if (!std::filesystem::is_directory(dir))
        GTEST_SKIP() << "corpus folder not found: " << dir << " (set HTMLFILE_SHARED_DIR)";
    int nFiles = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        CkvuuStdioFile file(Utf8ToWide(entry.path().c_str()).c_str(), CFile::modeRead | CFile::shareDenyNone);
        std::wstring text;
        wchar_t buffer[1024];
        while (UINT n = file.Read(buffer, 1024, nullptr))
            text.append(buffer, n);
        CHtmlTokenList list;
        ASSERT_TRUE(list.Parse(text.data(), text.size()));
        ASSERT_EQ(list.GetText().str(), text) << entry.path();
        ExpectWellFormed(list, entry.path().string());
        ++nFiles;
    }
    EXPECT_GT(nFiles, 1000);
}

// A frame page keeps its bytes through Read and Write, and its frame
// elements carry their codes.
TEST(TokenList, CorpusFramePageThroughFiles)
{
    const std::filesystem::path path = CorpusDir() / "squiggle-sql/docs/api/index.html";
    if (!std::filesystem::is_regular_file(path))
        GTEST_SKIP() << "corpus file not found: " << path << " (set HTMLFILE_SHARED_DIR)";
    TempDir dir;
    CHtmlTokenList list;
    {
        CkvuuStdioFile in(Utf8ToWide(path.c_str()).c_str(), CFile::modeRead | CFile::shareDenyNone);
        ASSERT_TRUE(list.Read(&in));
        CkvuuStdioFile out(dir.WideFile("out.htm").c_str(), CFile::modeCreate | CFile::modeWrite);
        out.TakeEncodingFrom(in);
        list.Write(&out);
        out.Close();
    }
    EXPECT_EQ(ReadFileBytes(dir.File("out.htm")), ReadFileBytes(path.string()));
    std::vector<int> codes; // the frame elements' start tags, in order
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const int nCode = list.GetNext(pos)->m_nTagCode;
        if (nCode == HTML_TAG_FRAMESET || nCode == HTML_TAG_FRAME || nCode == HTML_TAG_NOFRAMES)
            codes.push_back(nCode);
    }
    EXPECT_EQ(codes, (std::vector<int>{HTML_TAG_FRAMESET, HTML_TAG_FRAMESET, HTML_TAG_FRAME, HTML_TAG_FRAME,
                                       HTML_TAG_FRAME, HTML_TAG_NOFRAMES}));
}
