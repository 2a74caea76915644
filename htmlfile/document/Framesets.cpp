// Frame pages: building the frameset tree while parsing, and the members
// that list, replace or add a document's outermost framesets.
#include <htmlfile/document/AttributeValues.h>
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/document/ObjectList.h>

using htmlfile_detail::IsSwitchOn;
using htmlfile_detail::WideToInt;

void CHtmlFile::CreateFramesetLists()
{
    if (m_pFramesets) return;
    m_pFramesets = new CList<CHtmlFileFrameset*, CHtmlFileFrameset*>(10);
    m_pFramesetStack = new CList<CHtmlFileFrameset*, CHtmlFileFrameset*>(10);
}

void CHtmlFile::OnFramesetStart(TagAttribute* pAttributes)
{
    CreateFramesetLists();
    auto* pFrameset = new CHtmlFileFrameset;
    if (const wchar_t* psz = pAttributes->FindAttribute(L"border")) pFrameset->m_nBorder = WideToInt(psz);
    if (const wchar_t* psz = pAttributes->FindAttribute(L"frameborder")) pFrameset->m_bFrameBorder = IsSwitchOn(psz);
    if (const wchar_t* psz = pAttributes->FindAttribute(L"framespacing")) pFrameset->m_nFrameSpacing = WideToInt(psz);
    if (const wchar_t* psz = pAttributes->FindAttribute(L"bordercolor"))
        pFrameset->m_crBorderColor = static_cast<COLORREF>(ColorToRGB(psz));
    CString strCols(pAttributes->FindAttribute(L"cols"));
    CString strRows(pAttributes->FindAttribute(L"rows"));
    pFrameset->SetSizes(strCols, strRows);
    pFrameset->m_nCurCol = 0;
    pFrameset->m_nCurRow = 0;

    if (!m_pFramesetStack->IsEmpty()) {
        m_pFramesetStack->GetHead()->SetSizeData(pFrameset->m_nWidth, pFrameset->m_strWidthUnit,
                                                 pFrameset->m_nHeight, pFrameset->m_strHeightUnit);
    }
    m_pFramesetStack->AddHead(pFrameset);
    pFrameset->m_nBegin = m_pScanner->TagBegin();
}

void CHtmlFile::OnFrame(TagAttribute* pAttributes)
{
    if (!m_pFramesets) {
        CreateFramesetLists();
        return;
    }
    if (m_pFramesetStack->IsEmpty()) return;

    auto* pFrame = new CHtmlFileFrame;
    if (pAttributes) {
        if (const wchar_t* psz = pAttributes->FindAttribute(L"frameborder")) pFrame->m_bFrameBorder = IsSwitchOn(psz);
        if (const wchar_t* psz = pAttributes->FindAttribute(L"bordercolor"))
            pFrame->m_crBorderColor = static_cast<COLORREF>(ColorToRGB(psz));
        if (const wchar_t* psz = pAttributes->FindAttribute(L"name")) pFrame->m_strName = psz;
        if (const wchar_t* psz = pAttributes->FindAttribute(L"src")) pFrame->m_strSrc = psz;
        if (const wchar_t* psz = pAttributes->FindAttribute(L"marginheight")) pFrame->m_nMarginHeight = WideToInt(psz);
        if (const wchar_t* psz = pAttributes->FindAttribute(L"marginwidth")) pFrame->m_nMarginWidth = WideToInt(psz);
        if (pAttributes->FindAttribute(L"noresize")) pFrame->m_bNoResize = TRUE;
        if (const wchar_t* psz = pAttributes->FindAttribute(L"scrolling")) pFrame->m_strScrolling = psz;
    }
    CHtmlFileFrameset* pParent = m_pFramesetStack->GetHead();
    pParent->SetSizeData(pFrame->m_nWidth, pFrame->m_strWidthUnit, pFrame->m_nHeight, pFrame->m_strHeightUnit);
    pParent->m_listItems.AddTail(pFrame);
}

void CHtmlFile::OnFramesetEnd()
{
    if (!m_pFramesets) {
        CreateFramesetLists();
        return;
    }
    if (m_pFramesetStack->IsEmpty()) return;

    CHtmlFileFrameset* pFrameset = m_pFramesetStack->RemoveHead();
    if (m_pFramesetStack->IsEmpty()) {
        m_pFramesets->AddTail(pFrameset);
        m_listObjects.AddTail(pFrameset);
    } else {
        m_pFramesetStack->GetHead()->m_listItems.AddTail(pFrameset);
    }
    pFrameset->m_nEnd = m_pScanner->TagEnd();
    // An outermost layout is complete now; a nested one is part of it.
    if (m_pFramesetStack->IsEmpty()) FingerprintRecorded(pFrameset);
}

POSITION CHtmlFile::GetFramesetHeadPosition()
{
    ParseFile();
    return m_pFramesets ? m_pFramesets->GetHeadPosition() : nullptr;
}

CHtmlFileFrameset* CHtmlFile::GetNextFrameset(POSITION& pos)
{
    return m_pFramesets ? m_pFramesets->GetNext(pos) : nullptr;
}

int CHtmlFile::GetFramesetCount()
{
    return m_pFramesets ? m_pFramesets->GetCount() : 0;
}

int CHtmlFile::SetFrameset(CHtmlFileFrameset* pFrameset)
{
    ParseFile();
    CreateFramesetLists();
    if (m_pFramesets->GetCount() != 1) return 0;

    CHtmlFileFrameset* pOld = m_pFramesets->RemoveHead();
    m_pFramesets->AddTail(pFrameset);
    pFrameset->m_nBegin = pOld->m_nBegin;
    pFrameset->m_nEnd = pOld->m_nEnd;
    pFrameset->m_strTag = pOld->m_strTag;

    if (POSITION pos = m_listObjects.Find(pOld)) {
        m_listObjects.InsertAfter(pos, pFrameset);
        m_listObjects.RemoveAt(pos);
    }
    delete pOld;
    return 1;
}

int CHtmlFile::AddFrameset(CHtmlFileFrameset* pFrameset)
{
    ParseFile();
    CreateFramesetLists();
    m_pFramesets->AddTail(pFrameset);

    POSITION posBody = htmlfile_detail::FindFirstBody(m_listObjects);
    if (posBody) {
        CHTMLObject* pBefore = m_listObjects.GetAt(posBody);
        m_listObjects.InsertBefore(posBody, pFrameset);
        pFrameset->m_nBegin = m_pBodyTag ? m_pBodyTag->m_nBegin : pBefore->m_nBegin;
    } else {
        m_listObjects.AddTail(pFrameset);
        pFrameset->m_nBegin = m_pBodyTag ? m_pBodyTag->m_nBegin : 0;
    }
    pFrameset->m_nEnd = -1;
    return 1;
}
