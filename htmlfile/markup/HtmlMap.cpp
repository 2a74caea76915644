#include <htmlfile/markup/MarkupText.h>
#include <htmlfile/markup/HtmlMap.h>

#include <memory>


CHTMLMapArea::CHTMLMapArea(const wchar_t* pszShape, const wchar_t* pszCoords, const wchar_t* pszHref,
                           const wchar_t* pszAlt, const wchar_t* pszFrame)
    : m_strShape(pszShape), m_strCoords(pszCoords), m_strHref(pszHref), m_strAlt(pszAlt), m_strFrame(pszFrame)
{
    const wchar_t* const fields[] = {pszShape, pszCoords, pszHref, pszAlt, pszFrame};
    for (unsigned i = 0; i < 5; ++i)
        if (fields[i]) m_nGiven |= 1u << i;
}

void CHTMLMapArea::WriteField(CkvuuStdioFile* pFile, int nField, const wchar_t* pszName, const CString& strValue)
{
    if (strValue.IsEmpty() && !(m_nGiven & (1u << nField))) return;
    htmlfile_markup::EmitAttribute([&](const wchar_t* p, size_t n) { WriteText(pFile, p, n); }, pszName, strValue);
}

int CHTMLMapArea::Generate(CkvuuStdioFile* pFile)
{
    WriteText(pFile, L"<AREA");
    WriteField(pFile, 0, L"SHAPE", m_strShape);
    WriteField(pFile, 1, L"COORDS", m_strCoords);
    WriteField(pFile, 2, L"HREF", m_strHref);
    // ALT for the old browsers, TITLE for the tooltip of newer ones.
    WriteField(pFile, 3, L"ALT", m_strAlt);
    WriteField(pFile, 3, L"TITLE", m_strAlt);
    WriteField(pFile, 4, L"TARGET", m_strFrame);
    WriteText(pFile, L">\r\n");
    return 1;
}

CHTMLMap::CHTMLMap(const wchar_t* pszName) : m_strName(pszName)
{
}

CHTMLMap::CHTMLMap(const CHTMLMap& other) : CHTMLObject(), m_strName(other.m_strName)
{
    // The copy has no place in any file, hence positions 0, and owns areas
    // of its own so that either map can be deleted first.
    for (POSITION pos = other.GetTargetHeadPosition(); pos;)
        AddTarget(other.GetNextTarget(pos));
    try {
        for (POSITION pos = other.GetMapAreaHeadPosition(); pos;) {
            const CHTMLMapArea* pArea = other.GetNextMapArea(pos);
            if (pArea) CopyArea(*pArea);
        }
    } catch (...) {
        // No destructor runs for a half-built object: free what it owns.
        RemoveAllMapAreas();
        throw;
    }
}

void CHTMLMap::CopyArea(const CHTMLMapArea& area)
{
    auto pCopy = std::make_unique<CHTMLMapArea>(area);
    pCopy->m_nBegin = pCopy->m_nEnd = 0;
    AddMapArea(pCopy.get());
    pCopy.release();
}

CHTMLMap::~CHTMLMap()
{
    RemoveAllMapAreas();
}

int CHTMLMap::AddTarget(const wchar_t* pszTarget)
{
    m_listTargets.AddTail(pszTarget);
    return 1;
}

POSITION CHTMLMap::GetTargetHeadPosition() const
{
    return m_listTargets.GetHeadPosition();
}

const wchar_t* CHTMLMap::GetNextTarget(POSITION& pos) const
{
    return m_listTargets.GetNext(pos);
}

int CHTMLMap::AddMapArea(CHTMLMapArea* pArea)
{
    m_listAreas.AddTail(pArea);
    return 1;
}

POSITION CHTMLMap::GetMapAreaHeadPosition() const
{
    return m_listAreas.GetHeadPosition();
}

CHTMLMapArea* CHTMLMap::GetNextMapArea(POSITION& pos) const
{
    return m_listAreas.GetNext(pos);
}

CHTMLMapArea* CHTMLMap::FindMapArea(const wchar_t* pszCoords) const
{
    for (POSITION pos = m_listAreas.GetHeadPosition(); pos;) {
        CHTMLMapArea* pArea = m_listAreas.GetNext(pos);
        if (pArea && pArea->Coords() == pszCoords) return pArea;
    }
    return nullptr;
}

void CHTMLMap::RemoveAllMapAreas()
{
    while (!m_listAreas.IsEmpty())
        delete m_listAreas.RemoveHead();
}

int CHTMLMap::Generate(CkvuuStdioFile* pFile)
{
    WriteText(pFile, L"<MAP");
    htmlfile_markup::EmitAttribute([&](const wchar_t* p, size_t n) { WriteText(pFile, p, n); }, L"NAME", m_strName);
    WriteText(pFile, L">\r\n");
    for (POSITION pos = m_listAreas.GetHeadPosition(); pos;) {
        CHTMLMapArea* pArea = m_listAreas.GetNext(pos);
        if (pArea) pArea->Generate(pFile);
    }
    WriteText(pFile, L"</MAP>");
    return 1;
}
