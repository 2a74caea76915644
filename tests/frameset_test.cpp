// Frame layouts: grid sizes handed to children, the HTML a layout writes to
// a file, and the tokens it inserts into a token list.
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <cwchar>

namespace {

CHtmlFileFrame* Frame(const wchar_t* pszName, const wchar_t* pszSrc = L"")
{
    auto* pFrame = new CHtmlFileFrame;
    pFrame->m_strName = pszName;
    pFrame->m_strSrc = pszSrc;
    return pFrame;
}

CHtmlFileFrameset* Frameset(const wchar_t* pszCols, const wchar_t* pszRows,
                            std::initializer_list<CHtmlFileFramesetItem*> children = {})
{
    auto* pFrameset = new CHtmlFileFrameset;
    CString cols(pszCols), rows(pszRows);
    pFrameset->SetSizes(cols, rows);
    for (CHtmlFileFramesetItem* pChild : children) pFrameset->m_listItems.AddTail(pChild);
    return pFrameset;
}

// The strings of a list, each followed by '|'.
std::wstring Texts(const CStringList& list)
{
    std::wstring out;
    for (POSITION pos = list.GetHeadPosition(); pos;) out += list.GetNext(pos).str() + L"|";
    return out;
}

} // namespace

TEST(FramesetModel, SetSizesCutsAtBlanksAndCommas)
{
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
        {L"50%, 50%", L"", L"50%|50%|", L""}, {L" , ,", L",,", L"", L""},
        {L"25%,*,100", L" 1 2 ", L"25%|*|100|", L"1|2|"}, {L"a\tb,\nc", L"", L"a\tb|\nc|", L""}};
    for (const auto& [pszCols, pszRows, pszExpectCols, pszExpectRows] : cases) {
        std::unique_ptr<CHtmlFileFrameset> p(Frameset(pszCols, pszRows));
        EXPECT_EQ(Texts(p->m_listCols), pszExpectCols) << pszCols;
        EXPECT_EQ(Texts(p->m_listRows), pszExpectRows) << pszRows;
    }
    // A second call adds to the first.
    std::unique_ptr<CHtmlFileFrameset> p(Frameset(L"a,b", L""));
    CString more(L"c"), none;
    EXPECT_EQ(p->SetSizes(more, none), 1);
    EXPECT_EQ(Texts(p->m_listCols), L"a|b|c|");
}

TEST(FramesetModel, SetSizeDataHandsOutCellsRowByRow)
{
    // Each child's "width unit height unit" in turn, and where the cursor ends.
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, int, int> cases[] = {
        {L"100,*,25%", L"", L"100x 100%|100* 100%|25% 100%|", 0, 1},
        {L"", L"30%,70%", L"100% 30%|100% 70%|", 0, 2},
        {L"50%,40%", L"20%,80%", L"50% 20%|40% 20%|50% 80%|40% 80%|", 0, 2},
        {L"10,20", L"5%", L"10x 5%|20x 5%|10x 100%|", 1, 1}, // beyond the last row a child keeps its height
        // Only a bare "*" is the rest of the space; numbers read as _wtoi does.
        {L"2*,abc,%, 7,-3%,+12px", L"", L"2x 100%|0x 100%|0% 100%|7x 100%|-3% 100%|12x 100%|", 0, 1},
    };
    for (const auto& [pszCols, pszRows, pszCells, nEndCol, nEndRow] : cases) {
        std::unique_ptr<CHtmlFileFrameset> pParent(Frameset(pszCols, pszRows));
        std::wstring cells;
        while (cells.size() < std::wcslen(pszCells)) {
            CHtmlFileFrame child;
            EXPECT_EQ(pParent->SetSizeData(child.m_nWidth, child.m_strWidthUnit, child.m_nHeight, child.m_strHeightUnit), 1);
            cells += std::to_wstring(child.m_nWidth) + child.m_strWidthUnit.str() + L" " + std::to_wstring(child.m_nHeight) +
                     child.m_strHeightUnit.str() + L"|";
        }
        EXPECT_EQ(cells, pszCells) << pszCols << " / " << pszRows;
        EXPECT_EQ(std::make_pair(pParent->m_nCurCol, pParent->m_nCurRow), std::make_pair(nEndCol, nEndRow)) << pszCols;
    }
}

TEST(FramesetFileWriter, LayoutsAndFrameLines)
{
    CHtmlFileFrame* pFull = Frame(L"main", L"d\u00e9j\u00e0.htm?a=1&b=\"2\"");
    pFull->m_nMarginHeight = 3;
    pFull->m_nMarginWidth = 12;
    pFull->m_bFrameBorder = 7;
    pFull->m_bNoResize = TRUE;
    pFull->m_strScrolling = L"no";
    pFull->m_crBorderColor = 0x7FA0B0C0; // the top byte is not written
    CHtmlFileFrame* pBare = Frame(L"");
    pBare->m_strScrolling.Empty();
    pBare->m_nMarginWidth = -5;
    pBare->m_crBorderColor = 0;
    std::unique_ptr<CHtmlFileFrameset> pOuter(Frameset(L"25% * 100", L"10%,90%",
        {Frame(L"top"), Frameset(L"100%", L"40%,60%", {pFull, pBare, Frameset(L"", L"")})}));
    // Border fields are kept but never written.
    pOuter->m_nBorder = 3;
    pOuter->m_bFrameBorder = TRUE;
    pOuter->m_nFrameSpacing = 2;
    pOuter->m_crBorderColor = 0xFF;
    EXPECT_EQ(GenerateToBytes(*pOuter),
              "<frameset cols=\"25%,*,100\" rows=\"10%,90%\">\r\n    <frame name=\"top\" scrolling=\"auto\" />\r\n"
              "    <frameset rows=\"40%,60%\">\r\n"
              "        <frame name=\"main\" src='d\xc3\xa9j\xc3\xa0.htm?a=1&b=\"2\"' marginheight=\"3\" marginwidth=\"12\" "
              "frameborder=\"1\" noresize=\"noresize\" scrolling=\"no\" bordercolor=\"#c0b0a0\" />\r\n"
              "        <frame bordercolor=\"#000000\" />\r\n        <frameset>\r\n        </frameset>\r\n"
              "    </frameset>\r\n</frameset>\r\n");
    // Where the text after it begins with a line end, the layout leaves its own out.
    CHtmlFileFrameset empty;
    EXPECT_TRUE(empty.EndsWithLineEnd());
    EXPECT_EQ(GenerateToBytes(empty, true), "<frameset>\r\n</frameset>");
}

TEST(FramesetTokenWriter, AnchorsAndOrder)
{
    const std::wstring kLayout = L"<frameset cols=\"50%,50%\">    <frame name=\"a\" src=\"a.htm\" scrolling=\"auto\" />"
                                 L"    <frameset>        <frame name=\"b\" scrolling=\"auto\" />    </frameset>";
    const std::pair<std::wstring, std::wstring> cases[] = {
        // A body is wrapped in noframes; the frameset closes after it. A body
        // tag in a comment is no anchor.
        {L"<!DOCTYPE html>\r\n<html><head><title>T</title></head>\r\n<BODY link=red><!-- <body> --><p>Gr\u00fc\u00dfe</p>"
         L"</body>\r\n</html>\r\n",
         L"<!DOCTYPE html>\r\n<html><head><title>T</title></head>\r\n" + kLayout +
             L"<noframes><BODY link=red><!-- <body> --><p>Gr\u00fc\u00dfe</p></body></noframes></frameset>\r\n</html>\r\n"},
        // A noframes element that comes first is used as it is.
        {L"<noframes>old</noframes><body></body>", kLayout + L"<noframes>old</noframes></frameset><body></body>"},
        // No place found: nothing is inserted.
        {L"", L""}, {L"<html>text</html>", L""}, {L"<body>never closed</html>", L""}, {L"</body><body>", L""},
        {L"<noframes></body>", L""},
    };
    for (const auto& [before, after] : cases) {
        CHtmlTokenList list;
        list.Parse(before.c_str(), before.size());
        std::unique_ptr<CHtmlFileFrameset> p(
            Frameset(L"50%,50%", L"", {Frame(L"a", L"a.htm"), Frameset(L"", L"", {Frame(L"b")})}));
        EXPECT_EQ(p->GenerateIndent(&list, 0, nullptr), after.empty() ? 0 : 1);
        EXPECT_EQ(list.GetText().str(), after.empty() ? before : after);
        if (&before != &cases[0].first) continue;
        // The inserted tags carry codes: a second layout finds the new
        // noframes element before the body and goes around it unwrapped.
        CHtmlFileFrameset second;
        ASSERT_EQ(second.GenerateIndent(&list, 0, nullptr), 1);
        EXPECT_NE(list.GetText().Find(L"<frameset><noframes><BODY"), -1);
        EXPECT_NE(list.GetText().Find(L"</noframes></frameset></frameset>"), -1);
    }
    // Only tag tokens are anchors, whatever code another token carries.
    CHtmlTokenList list;
    list.AddTail(new CHtmlTokenItem(HTML_TOKEN_TEXT, L"<body>", HTML_TAG_BODY));
    list.AddTail(nullptr);
    CHtmlFileFrameset frameset;
    EXPECT_EQ(frameset.GenerateIndent(&list, 0, nullptr), 0);
    EXPECT_EQ(list.GetCount(), 2);
}
