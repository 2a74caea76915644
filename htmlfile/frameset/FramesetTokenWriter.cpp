// Inserting a frame layout into a caller's token list. The writer only
// inserts tokens; it never removes or changes the ones that are there, and
// the list owns every token it is given.
#include <htmlfile/frameset/HtmlFileFrameset.h>
#include <htmlfile/scan/HtmlTokenList.h>

namespace {

// The elements a frame layout is put in front of. A page body is kept for
// browsers without frames by wrapping it in <noframes>; a <noframes>
// element already there is left as it is.
constexpr int kBodyCode = HTML_TAG_BODY;
constexpr int kNoFramesCode = HTML_TAG_NOFRAMES;

void InsertIndent(CHtmlTokenList* pList, POSITION pos, int nIndent)
{
    if (nIndent > 0)
        pList->InsertBefore(pos, new CHtmlTextItem(CString(L' ', 4 * nIndent)));
}

bool IsTag(const CHtmlTokenItem* pItem, int nCode)
{
    return pItem && pItem->m_nKind == HTML_TOKEN_TAG && pItem->m_nTagCode == nCode;
}

// Finds the first body or noframes start tag and the end tag that closes
// it. Returns false, leaving the list alone, when either is missing.
bool FindAnchors(CHtmlTokenList* pList, POSITION& start, POSITION& end, int& nCode)
{
    start = end = nullptr;
    for (POSITION pos = pList->GetHeadPosition(); pos;) {
        POSITION here = pos;
        CHtmlTokenItem* pItem = pList->GetNext(pos);
        if (!start) {
            if (IsTag(pItem, kBodyCode) || IsTag(pItem, kNoFramesCode)) {
                start = here;
                nCode = pItem->m_nTagCode;
            }
        } else if (IsTag(pItem, nCode + HTML_ENDTAG_BIT)) {
            end = here;
            return true;
        }
    }
    return false;
}

} // namespace

int CHtmlFileFrame::GenerateIndent(CHtmlTokenList* pList, POSITION pos, int nIndent)
{
    if (!pList)
        return 0;
    InsertIndent(pList, pos, nIndent);
    CString tag(L"<frame");
    PutAttributes([&](const wchar_t* piece) { tag += piece; });
    tag += L" />";
    pList->InsertBefore(pos, new CHtmlTagItem(tag));
    return 1;
}

int CHtmlFileFrameset::GenerateIndent(CHtmlTokenList* pList, int nIndent, POSITION pos)
{
    if (!pList)
        return 0;
    POSITION start = pos;
    POSITION end = pos;
    if (!pos) {
        int nCode = 0;
        if (!FindAnchors(pList, start, end, nCode))
            return 0;
        if (nCode == kBodyCode) {
            start = pList->InsertBefore(start, new CHtmlTagItem(L"<noframes>"));
            end = pList->InsertAfter(end, new CHtmlTagItem(L"</noframes>"));
        }
    }

    InsertIndent(pList, start, nIndent);
    CString tag(L"<frameset");
    PutSizeAttributes([&](const wchar_t* piece) { tag += piece; });
    tag += L">";
    pList->InsertBefore(start, new CHtmlTagItem(tag));

    // Children insert before start, so they line up after the start tag in
    // list order. A child that fails does not stop the layout.
    for (POSITION child = m_listItems.GetHeadPosition(); child;)
        InsertChild(m_listItems.GetNext(child), pList, nIndent + 1, start);

    InsertIndent(pList, start, nIndent);
    if (pos)
        pList->InsertBefore(pos, new CHtmlTagItem(L"</frameset>"));
    else
        pList->InsertAfter(end, new CHtmlTagItem(L"</frameset>"));
    return 1;
}

// As WriteChild: called as the class m_nItemType names, left out when the
// child is not of that class.
void CHtmlFileFrameset::InsertChild(CHtmlFileFramesetItem* pItem, CHtmlTokenList* pList, int nIndent, POSITION pos)
{
    if (!pItem)
        return;
    if (pItem->m_nItemType) {
        if (auto* pFrame = dynamic_cast<CHtmlFileFrame*>(pItem))
            pFrame->GenerateIndent(pList, pos, nIndent);
    } else if (auto* pFrameset = dynamic_cast<CHtmlFileFrameset*>(pItem)) {
        pFrameset->GenerateIndent(pList, nIndent, pos);
    }
}
