#include <htmlfile/markup/MarkupText.h>
#include <htmlfile/markup/HtmlObjectTag.h>
#include <htmlfile/text/QLUtils.h>

#include <algorithm>


namespace {

// The start tag is wrapped so that help authors can read it in a text
// editor: a new line begins before an attribute once the line is past this
// column, indented under the first attribute.
constexpr int kWrapColumn = 50;
constexpr const wchar_t* kObjectStart = L"<OBJECT";
constexpr int kObjectStartLength = 7;
constexpr const wchar_t* kContinuation = L"\r\n       ";

constexpr const wchar_t* kClsidPrefix = L"clsid:";
constexpr int kClsidPrefixLength = 6;

// "clsid:{...}" and "{...}" name the same class; callers compare the bare id.
CString BareClassId(const CString& strValue)
{
    if (QLUtils::CompareNoCase(strValue.Left(kClsidPrefixLength), kClsidPrefix) == 0)
        return strValue.Mid(kClsidPrefixLength);
    return strValue;
}

} // namespace

CHTMLParam::CHTMLParam(const wchar_t* pszName, const wchar_t* pszValue)
    : m_strName(pszName), m_strValue(pszValue), m_bNameGiven(pszName != nullptr)
{
}

int CHTMLParam::Generate(CkvuuStdioFile* pFile)
{
    auto write = [&](const wchar_t* p, size_t n) { WriteText(pFile, p, n); };
    WriteText(pFile, L"<param");
    if (m_bNameGiven || !m_strName.IsEmpty()) htmlfile_markup::EmitAttribute(write, L"name", m_strName);
    // The value is written even when empty: some controls tell an empty
    // parameter from a missing one.
    htmlfile_markup::EmitAttribute(write, L"value", m_strValue);
    WriteText(pFile, L" />\r\n");
    return 1;
}

CHTMLObjectTag::CHTMLObjectTag(TagAttribute* pAttributes)
{
    for (const TagAttribute* node = pAttributes; node; node = node->m_pNext) {
        const wchar_t* pszName = node->m_pszName ? node->m_pszName : L"";
        const wchar_t* pszValue = node->m_pszValue ? node->m_pszValue : L"";
        if (QLUtils::CompareNoCase(pszName, L"ID") == 0)
            m_strId = pszValue;
        else if (QLUtils::CompareNoCase(pszName, L"CLASSID") == 0)
            m_strClsid = BareClassId(pszValue);
        // The map keeps every attribute as written, CLASSID prefix included,
        // so that the element is written back with what it had.
        m_mapAttributes.SetAt(pszName, pszValue);
        MarkBare(pszName, !node->m_pszValue);
    }
}

CHTMLObjectTag::CHTMLObjectTag(const CHTMLObjectTag& /*other*/) : CHTMLObject()
{
}

CHTMLObjectTag::~CHTMLObjectTag()
{
    RemoveAllParams();
}

void CHTMLObjectTag::Delete(BOOL bDelete)
{
    m_bDeleted = bDelete;
}

BOOL CHTMLObjectTag::SetAttribute(const wchar_t* pszName, const wchar_t* pszValue)
{
    m_mapAttributes.SetAt(pszName, pszValue);
    MarkBare(pszName, false);
    return TRUE;
}

void CHTMLObjectTag::MarkBare(const wchar_t* pszName, bool bBare)
{
    auto it = std::find(m_vecBareNames.begin(), m_vecBareNames.end(), CString(pszName));
    if (bBare && it == m_vecBareNames.end()) m_vecBareNames.emplace_back(pszName);
    if (!bBare && it != m_vecBareNames.end()) m_vecBareNames.erase(it);
}

bool CHTMLObjectTag::IsBare(const CString& strName) const
{
    return std::find(m_vecBareNames.begin(), m_vecBareNames.end(), strName) != m_vecBareNames.end();
}

BOOL CHTMLObjectTag::LookupAttribute(const wchar_t* pszName, CString& strValue) const
{
    return m_mapAttributes.Lookup(pszName, strValue);
}

POSITION CHTMLObjectTag::GetAttributeHeadPosition() const
{
    return m_mapAttributes.IsEmpty() ? nullptr : m_mapAttributes.GetStartPosition();
}

void CHTMLObjectTag::GetNextAttribute(POSITION& pos, CString& strName, CString& strValue) const
{
    m_mapAttributes.GetNextAssoc(pos, strName, strValue);
}

int CHTMLObjectTag::AddParam(CHTMLParam* pParam)
{
    m_listParams.AddTail(pParam);
    return 1;
}

POSITION CHTMLObjectTag::GetParamHeadPosition() const
{
    return m_listParams.GetHeadPosition();
}

CHTMLParam* CHTMLObjectTag::GetNextParam(POSITION& pos) const
{
    return m_listParams.GetNext(pos);
}

CHTMLParam* CHTMLObjectTag::FindParam(const wchar_t* pszName) const
{
    for (POSITION pos = m_listParams.GetHeadPosition(); pos;) {
        CHTMLParam* pParam = m_listParams.GetNext(pos);
        if (pParam && pParam->Name() == pszName) return pParam;
    }
    return nullptr;
}

void CHTMLObjectTag::RemoveAllParams()
{
    while (!m_listParams.IsEmpty())
        delete m_listParams.RemoveHead();
}

int CHTMLObjectTag::Generate(CkvuuStdioFile* pFile)
{
    // A deleted object writes nothing, so saving removes it from the topic.
    if (m_bDeleted) return 1;

    auto write = [&](const wchar_t* p, size_t n) { WriteText(pFile, p, n); };
    WriteText(pFile, kObjectStart);
    int nColumn = kObjectStartLength;
    // Each attribute is written knowing the one after it (ValueBeforeName).
    CString strName, strValue, strNextName, strNextValue;
    POSITION pos = GetAttributeHeadPosition();
    bool bNext = pos != nullptr;
    if (bNext) m_mapAttributes.GetNextAssoc(pos, strNextName, strNextValue);
    while (bNext) {
        strName = strNextName;
        strValue = strNextValue;
        const bool bMore = pos != nullptr;
        if (bMore) m_mapAttributes.GetNextAssoc(pos, strNextName, strNextValue);
        bNext = bMore;
        // Broken only before an attribute, so a long one stays whole.
        if (nColumn > kWrapColumn) {
            WriteText(pFile, kContinuation);
            nColumn = kObjectStartLength;
        }
        const wchar_t* pszValue = htmlfile_markup::ValueBeforeName(IsBare(strName) ? nullptr : strValue.GetString(),
                                                                   bMore ? strNextName.GetString() : nullptr);
        nColumn += htmlfile_markup::EmitAttribute(write, strName, pszValue);
    }
    WriteText(pFile, L">\r\n");
    for (POSITION pos = m_listParams.GetHeadPosition(); pos;) {
        CHTMLParam* pParam = m_listParams.GetNext(pos);
        if (pParam) pParam->Generate(pFile);
    }
    WriteText(pFile, L"</OBJECT>");
    return 1;
}
