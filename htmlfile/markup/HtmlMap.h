// Image maps: a map element with its areas, written back whole.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/platform/List.h>

// An area of an image map. A field given as a null pointer is absent and
// not written when empty; one given as "" (as read from `href=""`) is
// written with its empty value.
class HTMLFILE_API CHTMLMapArea : public CHTMLObject {
public:
    CHTMLMapArea(const wchar_t* pszShape, const wchar_t* pszCoords, const wchar_t* pszHref, const wchar_t* pszAlt,
                 const wchar_t* pszFrame);
    CHTMLMapArea(const CHTMLMapArea& other) = default;
    CHTMLMapArea& operator=(const CHTMLMapArea& other) = default;
    ~CHTMLMapArea() override = default;

    const CString& Shape() const noexcept { return m_strShape; }
    const CString& Coords() const noexcept { return m_strCoords; }
    const CString& Href() const noexcept { return m_strHref; }
    const CString& Alt() const noexcept { return m_strAlt; }
    const CString& Frame() const noexcept { return m_strFrame; }

    int Generate(CkvuuStdioFile* pFile) override;

private:
    CString m_strShape;
    CString m_strCoords;
    CString m_strHref;
    CString m_strAlt;
    CString m_strFrame;
    // One bit per field, in the constructor's order, for a field given.
    unsigned m_nGiven = 0;
    void WriteField(CkvuuStdioFile* pFile, int nField, const wchar_t* pszName, const CString& strValue);
};

class HTMLFILE_API CHTMLMap : public CHTMLObject {
public:
    explicit CHTMLMap(const wchar_t* pszName);
    // Deep copy with positions 0: name, targets and new copies of the areas.
    CHTMLMap(const CHTMLMap& other);
    CHTMLMap& operator=(const CHTMLMap&) = delete;
    ~CHTMLMap() override;

    const CString& Name() const noexcept { return m_strName; }

    int AddTarget(const wchar_t* pszTarget);
    POSITION GetTargetHeadPosition() const;
    const wchar_t* GetNextTarget(POSITION& pos) const;

    // Takes ownership of pArea.
    int AddMapArea(CHTMLMapArea* pArea);
    POSITION GetMapAreaHeadPosition() const;
    CHTMLMapArea* GetNextMapArea(POSITION& pos) const;
    // First area whose coordinates equal pszCoords exactly; null when none.
    CHTMLMapArea* FindMapArea(const wchar_t* pszCoords) const;
    // Deletes every area; the targets stay.
    void RemoveAllMapAreas();

    int Generate(CkvuuStdioFile* pFile) override;

private:
    // Appends a copy of area (positions 0).
    void CopyArea(const CHTMLMapArea& area);

    CString m_strName;
    CStringList m_listTargets{10};
    CList<CHTMLMapArea*, CHTMLMapArea*> m_listAreas{10};
};
