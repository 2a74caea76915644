// Frame layouts: grid sizes handed to children, the HTML a layout writes to
// a file, and the tokens it inserts into a token list.
#include <htmlfile/frameset/HtmlFileFrameset.h>
#include <htmlfile/outside/HtmlTokenList.h>
#include <htmlfile/outside/KvuuStdioFile.h>

#include "support/GenerateText.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::wstring>;

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
    for (CHtmlFileFramesetItem* pChild : children)
        pFrameset->m_listItems.AddTail(pChild);
    return pFrameset;
}

const std::wstring& TextOf(const CString& str) { return str.str(); }
const std::wstring& TextOf(const CHtmlTokenItem* pItem) { return pItem->m_strText.str(); }

// The texts of a string list or a token list, in order.
template <class List>
Strings Texts(const List& list)
{
    Strings out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(TextOf(list.GetNext(pos)));
    return out;
}

// Items beginning with '<' become tag tokens, the others text tokens.
void Fill(CHtmlTokenList& list, const Strings& items)
{
    for (const std::wstring& item : items)
        list.AddTail(item[0] == L'<' ? static_cast<CHtmlTokenItem*>(new CHtmlTagItem(item.c_str()))
                                     : new CHtmlTextItem(item.c_str()));
}

} // namespace

TEST(FramesetModel, SetSizesCutsAtBlanksAndCommas)
{
    const struct {
        const wchar_t *cols, *rows;
        Strings expectCols, expectRows;
    } cases[] = {
        {L"50%, 50%", L"", {L"50%", L"50%"}, {}},
        {L" , ,", L",,", {}, {}},
        {L"25%,*,100", L" 1 2 ", {L"25%", L"*", L"100"}, {L"1", L"2"}},
        {L"a\tb,\nc", L"", {L"a\tb", L"\nc"}, {}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CHtmlFileFrameset> p(Frameset(c.cols, c.rows));
        EXPECT_EQ(Texts(p->m_listCols), c.expectCols) << c.cols;
        EXPECT_EQ(Texts(p->m_listRows), c.expectRows) << c.rows;
    }
    // A second call adds to the first.
    std::unique_ptr<CHtmlFileFrameset> p(Frameset(L"a,b", L""));
    CString more(L"c"), none;
    EXPECT_EQ(p->SetSizes(more, none), 1);
    EXPECT_EQ(Texts(p->m_listCols), (Strings{L"a", L"b", L"c"}));
}

TEST(FramesetModel, SetSizeDataHandsOutCellsRowByRow)
{
    // Each child's "width unit height unit" in turn, then the cursor.
    const struct {
        const wchar_t *cols, *rows;
        Strings cells;
        int endCol, endRow;
    } cases[] = {
        {L"100,*,25%", L"", {L"100x 100%", L"100* 100%", L"25% 100%"}, 0, 1},
        {L"", L"30%,70%", {L"100% 30%", L"100% 70%"}, 0, 2},
        {L"50%,40%", L"20%,80%", {L"50% 20%", L"40% 20%", L"50% 80%", L"40% 80%"}, 0, 2},
        // Beyond the last row a child keeps its height.
        {L"10,20", L"5%", {L"10x 5%", L"20x 5%", L"10x 100%"}, 1, 1},
        // Only a bare "*" is the rest of the space; numbers read as _wtoi does.
        {L"2*,abc,%, 7,-3%,+12px", L"", {L"2x 100%", L"0x 100%", L"0% 100%", L"7x 100%", L"-3% 100%", L"12x 100%"}, 0, 1},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CHtmlFileFrameset> pParent(Frameset(c.cols, c.rows));
        for (const std::wstring& cell : c.cells) {
            CHtmlFileFrame child;
            EXPECT_EQ(pParent->SetSizeData(child.m_nWidth, child.m_strWidthUnit, child.m_nHeight, child.m_strHeightUnit), 1);
            CString got;
            got.Format(L"%d%s %d%s", child.m_nWidth, child.m_strWidthUnit.GetString(), child.m_nHeight,
                       child.m_strHeightUnit.GetString());
            EXPECT_EQ(got.str(), cell) << c.cols << " / " << c.rows;
        }
        EXPECT_EQ(pParent->m_nCurCol, c.endCol) << c.cols;
        EXPECT_EQ(pParent->m_nCurRow, c.endRow) << c.cols;
    }
}

TEST(FramesetFileWriter, FrameLines)
{
    const struct {
        std::function<void(CHtmlFileFrame&)> setup;
        int depth;
        std::string expected;
    } cases[] = {
        {[](CHtmlFileFrame&) {}, 0, "<frame scrolling=\"auto\" />\r\n"},
        {[](CHtmlFileFrame&) {}, -1, "<frame scrolling=\"auto\" />\r\n"},
        {[](CHtmlFileFrame& f) { f.m_strScrolling.Empty(); }, 2, "        <frame />\r\n"},
        {[](CHtmlFileFrame& f) { f.m_nMarginWidth = -5; f.m_crBorderColor = 0; }, 0,
         "<frame scrolling=\"auto\" bordercolor=\"#000000\" />\r\n"},
        {[](CHtmlFileFrame& f) {
             f.m_strName = L"main";
             f.m_strSrc = L"d\u00e9j\u00e0.htm?a=1&b=\"2\"";
             f.m_nMarginHeight = 3;
             f.m_nMarginWidth = 12;
             f.m_bFrameBorder = 7;
             f.m_bNoResize = TRUE;
             f.m_strScrolling = L"no";
             f.m_crBorderColor = 0x7FA0B0C0; // the top byte is not written
         },
         1,
         "    <frame name=\"main\" src=\"d\xc3\xa9j\xc3\xa0.htm?a=1&b=\"2\"\" marginheight=\"3\" marginwidth=\"12\" "
         "frameborder=\"1\" noresize=\"noresize\" scrolling=\"no\" bordercolor=\"#c0b0a0\" />\r\n"},
    };
    for (const auto& c : cases) {
        CHtmlFileFrame frame;
        c.setup(frame);
        TempDir dir;
        {
            CkvuuStdioFile file(dir.WideFile("out.htm").c_str(), CFile::modeCreate | CFile::modeWrite);
            EXPECT_EQ(frame.GenerateIndent(&file, c.depth), 1);
            file.Close();
        }
        EXPECT_EQ(ReadFileBytes(dir.File("out.htm")), c.expected);
        if (c.depth == 0) {
            EXPECT_EQ(GenerateToBytes(frame), c.expected);
        }
    }
}

TEST(FramesetFileWriter, Layouts)
{
    std::unique_ptr<CHtmlFileFrameset> pSimple(Frameset(L"30%, 70%", L"", {Frame(L"toc", L"toc.htm"), Frame(L"main", L"a.htm")}));
    EXPECT_EQ(GenerateToBytes(*pSimple), "<frameset cols=\"30%,70%\">\r\n"
                                         "    <frame name=\"toc\" src=\"toc.htm\" scrolling=\"auto\" />\r\n"
                                         "    <frame name=\"main\" src=\"a.htm\" scrolling=\"auto\" />\r\n"
                                         "</frameset>\r\n");

    std::unique_ptr<CHtmlFileFrameset> pOuter(Frameset(L"25% * 100", L"10%,90%",
        {Frame(L"top"), Frameset(L"100%", L"40%,60%", {Frame(L"", L"a.htm"), Frameset(L"", L"")})}));
    // Border fields are kept but never written.
    pOuter->m_nBorder = 3;
    pOuter->m_bFrameBorder = TRUE;
    pOuter->m_nFrameSpacing = 2;
    pOuter->m_crBorderColor = 0xFF;
    EXPECT_EQ(GenerateToBytes(*pOuter), "<frameset cols=\"25%,*,100\" rows=\"10%,90%\">\r\n"
                                        "    <frame name=\"top\" scrolling=\"auto\" />\r\n"
                                        "    <frameset rows=\"40%,60%\">\r\n"
                                        "        <frame src=\"a.htm\" scrolling=\"auto\" />\r\n"
                                        "        <frameset>\r\n"
                                        "        </frameset>\r\n"
                                        "    </frameset>\r\n"
                                        "</frameset>\r\n");
}

TEST(FramesetTokenWriter, AnchorsAndOrder)
{
    const struct {
        Strings before, after;
    } cases[] = {
        // A body is wrapped in noframes; the frameset closes after it.
        {{L"<html>", L"<BODY bgcolor=red>", L"hi", L"</body>", L"</html>"},
         {L"<html>", L"<frameset cols=\"50%,50%\">", L"    ", L"<frame name=\"a\" scrolling=\"auto\" />", L"    ",
          L"<frameset>", L"        ", L"<frame name=\"b\" scrolling=\"auto\" />", L"    ", L"</frameset>", L"<noframes>",
          L"<BODY bgcolor=red>", L"hi", L"</body>", L"</noframes>", L"</frameset>", L"</html>"}},
        // A noframes element that comes first is used as it is.
        {{L"<noframes>", L"old", L"</noframes>", L"<body>", L"</body>"},
         {L"<frameset cols=\"50%,50%\">", L"    ", L"<frame name=\"a\" scrolling=\"auto\" />", L"    ", L"<frameset>",
          L"        ", L"<frame name=\"b\" scrolling=\"auto\" />", L"    ", L"</frameset>", L"<noframes>", L"old",
          L"</noframes>", L"</frameset>", L"<body>", L"</body>"}},
        // No place found: nothing is inserted.
        {{}, {}},
        {{L"<html>", L"text", L"</html>"}, {L"<html>", L"text", L"</html>"}},
        {{L"<body>", L"never closed", L"</html>"}, {L"<body>", L"never closed", L"</html>"}},
        {{L"</body>", L"<body>"}, {L"</body>", L"<body>"}},
        {{L"<noframes>", L"</body>"}, {L"<noframes>", L"</body>"}},
    };
    for (const auto& c : cases) {
        CHtmlTokenList list;
        Fill(list, c.before);
        std::unique_ptr<CHtmlFileFrameset> p(Frameset(L"50%,50%", L"", {Frame(L"a"), Frameset(L"", L"", {Frame(L"b")})}));
        EXPECT_EQ(p->GenerateIndent(&list, 0, nullptr), c.before == c.after ? 0 : 1);
        EXPECT_EQ(Texts(list), c.after);
    }

    // Only tag tokens are anchors, whatever code another token carries.
    CHtmlTokenList list;
    list.AddTail(new CHtmlTokenItem(HTML_TOKEN_TEXT, L"<body>", HTML_TAG_BODY));
    list.AddTail(nullptr);
    list.AddTail(new CHtmlTokenItem(HTML_TOKEN_TEXT, L"</body>", HTML_TAG_BODY + HTML_ENDTAG_BIT));
    CHtmlFileFrameset frameset;
    EXPECT_EQ(frameset.GenerateIndent(&list, 0, nullptr), 0);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(frameset.GenerateIndent(nullptr, 0, nullptr), 0);
    EXPECT_EQ(CHtmlFileFrame().GenerateIndent(nullptr, nullptr, 0), 0);
}

TEST(FramesetTokenWriter, InsertsIntoParsedPage)
{
    CHtmlTokenList list;
    ASSERT_TRUE(list.Parse(L"<!DOCTYPE html>\r\n<html><head><title>T</title></head>\r\n"
                           L"<body link=red><!-- <body> --><p>Gr\u00fc\u00dfe</p></body>\r\n</html>\r\n"));
    std::unique_ptr<CHtmlFileFrameset> p(Frameset(L"20%,80%", L"", {Frame(L"toc", L"toc.htm"), Frame(L"main")}));
    ASSERT_EQ(p->GenerateIndent(&list, 0, nullptr), 1);
    EXPECT_EQ(list.GetText(), L"<!DOCTYPE html>\r\n<html><head><title>T</title></head>\r\n"
                              L"<frameset cols=\"20%,80%\">    <frame name=\"toc\" src=\"toc.htm\" scrolling=\"auto\" />"
                              L"    <frame name=\"main\" scrolling=\"auto\" />"
                              L"<noframes><body link=red><!-- <body> --><p>Gr\u00fc\u00dfe</p></body></noframes>"
                              L"</frameset>\r\n</html>\r\n");
    // The inserted tags carry codes: a second layout finds the new noframes
    // element before the body and goes around it unwrapped.
    CHtmlFileFrameset second;
    ASSERT_EQ(second.GenerateIndent(&list, 0, nullptr), 1);
    EXPECT_NE(list.GetText().Find(L"<frameset><noframes><body"), -1);
    EXPECT_NE(list.GetText().Find(L"</noframes></frameset></frameset>"), -1);
}
