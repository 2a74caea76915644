// The token list: tag codes, cutting HTML into tag and text tokens with the
// tag scanner, and joining them back exactly.
#include <support/Helpers.h>

#include <gtest/gtest.h>

namespace {

// The tokens, text tokens in braces; every tag token looks like a tag and
// carries the code of its text, and no two text tokens are neighbours: a
// run of text is one token.
std::wstring TokensOf(const CHtmlTokenList& list)
{
    std::wstring out;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const CHtmlTokenItem* pItem = list.GetNext(pos);
        const std::wstring& text = pItem->m_strText.str();
        const bool bTag = pItem->m_nKind == HTML_TOKEN_TAG;
        EXPECT_TRUE(bTag || pItem->m_nKind == HTML_TOKEN_TEXT);
        EXPECT_TRUE(bTag ? text.size() > 1 && text.front() == L'<' && text.back() == L'>'
                         : !text.empty() && (out.empty() || out.back() != L'}')) << text;
        EXPECT_EQ(pItem->m_nTagCode, bTag ? HtmlTagCodeFromText(text.c_str()) : 0) << text; // 0 for text
        out += bTag ? text : L"{" + text + L"}";
    }
    return out;
}

} // namespace

TEST(TagCodes, FromNameAndText)
{
    // The first and last names of the table, in any case, and what is none.
    for (const auto& [pszName, nCode] : {std::pair<const wchar_t*, int>{L"a", HTML_TAG_A}, {L"XMP", HTML_TAG_XMP},
                                         {L"h7", HTML_TAG_UNKNOWN}, {nullptr, HTML_TAG_UNKNOWN}})
        EXPECT_EQ(HtmlTagCodeFromName(pszName), nCode) << (pszName ? WideToUtf8(pszName) : "(null)");
    const std::pair<const wchar_t*, int> cases[] = {
        {L"<body>", 64}, {L"</BODY>", 64 + HTML_ENDTAG_BIT}, {L"<Body bgcolor=\"red\">", 64},
        {L"</noframes >", 213008 + HTML_ENDTAG_BIT}, {L"<br/>", HTML_TAG_BR}, {L"<TD\r\nclass=x>", HTML_TAG_TD},
        {L"<bodyx>", HTML_TAG_UNKNOWN}, {L"</my-widget>", HTML_ENDTAG_BIT}, {L"<!-- <body> -->", 0},
        {L"<!DOCTYPE html>", 0}, {L"< body>", 0}, {L"</ body>", 0}, {nullptr, 0},
    };
    for (const auto& [pszText, nCode] : cases)
        EXPECT_EQ(HtmlTagCodeFromText(pszText), nCode) << (pszText ? WideToUtf8(pszText) : "(null)");
}

TEST(TokenList, ParseCutsAtTheScannersTags)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L""}, {L"plain", L"{plain}"},
        {L"<!DOCTYPE html>\n<html lang=\"de\"><p class='a>b'>x</p></html>",
         L"{<!DOCTYPE html>\n}<html lang=\"de\"><p class='a>b'>{x}</p></html>"},
        {L"a<!-- <body> </body> -->b<BODY>", L"{a<!-- <body> </body> -->b}<BODY>"},
        {L"<script>if (a<b) document.write(\"<p>x</p>\");</script><br/>",
         L"<script>{if (a<b) document.write(\"<p>x</p>\");}</script><br/>"},
        {L"<p>Gr\u00fc\u00dfe \u20ac\U0001F600</p>\r\n", L"<p>{Gr\u00fc\u00dfe \u20ac\U0001F600}</p>{\r\n}"},
        {L"<b>1 < 2</b><a href=\"x", L"<b>{1 < 2}</b>{<a href=\"x}"}, {L"<i>\xD800 lone</i>", L"<i>{\xD800 lone}</i>"},
    };
    CHtmlTokenList list;
    for (const auto& [pszText, tokens] : cases) {
        EXPECT_TRUE(list.Parse(pszText)); // replacing what the list held
        EXPECT_EQ(TokensOf(list), tokens) << WideToUtf8(pszText);
        EXPECT_EQ(list.GetText(), pszText);
    }
    const wchar_t withNul[] = L"a\0b<i>\0</i>";
    ASSERT_TRUE(list.Parse(withNul, 11));
    EXPECT_EQ(list.GetText().str(), std::wstring(withNul, 11));
    list.AddTail(nullptr); // skipped, and not deleted twice
    EXPECT_FALSE(list.Parse(nullptr));
    EXPECT_TRUE(list.IsEmpty());
}

// Read takes a file's whole text and Write gives it back in the file's
// encoding; no list reads nothing.
TEST(TokenList, ReadsAndWritesFilesByteForByte)
{
    TempDir dir;
    const std::string bytes = "\xEF\xBB\xBF<p>Gr\xC3\xBC\xC3\x9F" "e</p>\r\n<!-- <body> -->";
    WriteBytes(dir.File("in.htm"), bytes);
    CHtmlTokenList list;
    {
        CkvuuStdioFile in(dir.WideFile("in.htm").c_str(), CFile::modeRead | CFile::shareDenyNone);
        ASSERT_TRUE(list.Read(&in));
        CkvuuStdioFile copy(dir.WideFile("copy.htm").c_str(), CFile::modeCreate | CFile::modeWrite);
        copy.TakeEncodingFrom(in);
        list.Write(&copy);
        copy.Close();
    }
    EXPECT_EQ(TokensOf(list), L"<p>{Gr\u00fc\u00dfe}</p>{\r\n<!-- <body> -->}");
    EXPECT_EQ(ReadBytes(dir.File("copy.htm")), bytes);
    EXPECT_FALSE(list.Read(nullptr));
    EXPECT_TRUE(list.IsEmpty());
}
