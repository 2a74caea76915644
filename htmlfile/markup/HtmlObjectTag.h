// Embedded objects: an object element with its attributes and parameters,
// written back whole (or not at all once marked deleted).
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/platform/List.h>
#include <htmlfile/platform/MapStringToString.h>

#include <vector>

class HTMLFILE_API CHTMLParam : public CHTMLObject {
public:
    CHTMLParam(const wchar_t* pszName, const wchar_t* pszValue);
    CHTMLParam(const CHTMLParam& other) = default;
    CHTMLParam& operator=(const CHTMLParam& other) = default;
    ~CHTMLParam() override = default;

    const CString& Name() const noexcept { return m_strName; }
    const CString& Value() const noexcept { return m_strValue; }

    int Generate(CkvuuStdioFile* pFile) override;

private:
    CString m_strName;
    CString m_strValue;
    // A name given as "" (as read from `name=""`) is written; a null one is not.
    bool m_bNameGiven;
};

class HTMLFILE_API CHTMLObjectTag : public CHTMLObject {
public:
    // Takes every attribute of the chain into the attribute map (the chain
    // itself is neither kept nor freed); ID and CLASSID (any case) also fill
    // Id() and Clsid(), the latter without a leading "clsid:".
    explicit CHTMLObjectTag(TagAttribute* pAttributes = nullptr);
    CHTMLObjectTag& operator=(const CHTMLObjectTag&) = delete;
    ~CHTMLObjectTag() override;

    void Delete(BOOL bDelete);
    BOOL IsDeleted() const noexcept { return m_bDeleted; }
    const CString& Id() const noexcept { return m_strId; }
    const CString& Clsid() const noexcept { return m_strClsid; }

    BOOL SetAttribute(const wchar_t* pszName, const wchar_t* pszValue);
    BOOL LookupAttribute(const wchar_t* pszName, CString& strValue) const;
    POSITION GetAttributeHeadPosition() const;
    void GetNextAttribute(POSITION& pos, CString& strName, CString& strValue) const;

    // Takes ownership of pParam.
    int AddParam(CHTMLParam* pParam);
    POSITION GetParamHeadPosition() const;
    CHTMLParam* GetNextParam(POSITION& pos) const;
    // First parameter whose name equals pszName exactly; null when none.
    CHTMLParam* FindParam(const wchar_t* pszName) const;
    void RemoveAllParams();

    int Generate(CkvuuStdioFile* pFile) override;

protected:
    // Object tags are not copied: this makes an empty, not deleted one.
    CHTMLObjectTag(const CHTMLObjectTag& other);

private:
    CMapStringToString m_mapAttributes{10};
    CList<CHTMLParam*, CHTMLParam*> m_listParams{10};
    CString m_strId;
    CString m_strClsid;
    BOOL m_bDeleted = FALSE;
    // Attributes the file gave without a value and that were not set
    // since: written back bare, as a name.
    std::vector<CString> m_vecBareNames;
    void MarkBare(const wchar_t* pszName, bool bBare);
    bool IsBare(const CString& strName) const;
};
