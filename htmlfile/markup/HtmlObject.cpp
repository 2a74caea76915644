#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/outside/KvuuStdioFile.h>
#include <htmlfile/outside/QLUtils.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

namespace {

// A malloc'ed copy, so that attribute chains built here can be freed with
// free() like the ones the scanner builds. Null for a null source; null also
// when memory runs out, which callers must tell apart themselves.
wchar_t* HeapCopy(const wchar_t* psz)
{
    if (!psz) return nullptr;
    size_t nBytes = (std::wcslen(psz) + 1) * sizeof(wchar_t);
    void* copy = std::malloc(nBytes);
    if (copy) std::memcpy(copy, psz, nBytes);
    return static_cast<wchar_t*>(copy);
}

bool IsEmpty(const wchar_t* psz)
{
    return !psz || !*psz;
}

// Escapes ampersands for the title element: a bare '&' becomes "&amp;", an
// "&amp;" already there (any case) is kept as one "&amp;" rather than
// doubled. Other entity references are not recognised and get their '&'
// escaped like any other.
CString EscapeTitle(const CString& strTitle)
{
    constexpr const wchar_t* kAmp = L"&amp;";
    constexpr int nAmpLength = 5;
    CString escaped;
    int nStart = 0;
    for (int nAt; (nAt = strTitle.Find(L'&', nStart)) >= 0;) {
        escaped += strTitle.Mid(nStart, nAt - nStart);
        bool bAlreadyEscaped = QLUtils::CompareNoCase(strTitle.Mid(nAt, nAmpLength), kAmp) == 0;
        nStart = nAt + (bAlreadyEscaped ? nAmpLength : 1);
        escaped += kAmp;
    }
    escaped += strTitle.Mid(nStart);
    return escaped;
}

} // namespace

void CHTMLObject::WriteText(CkvuuStdioFile* pFile, const wchar_t* pszText)
{
    if (!pFile || !pszText) return;
    try {
        pFile->Write(pszText, static_cast<UINT>(std::wcslen(pszText)));
    } catch (const CFileException&) {
        // Writers always run to the end; a piece that failed is simply
        // missing from the output.
    }
}

CHTMLTag::CHTMLTag(const wchar_t* pszTag, TagAttribute* pAttributes, int nBegin, int nEnd)
    : CHTMLObject(nBegin, nEnd), m_pAttributes(pAttributes)
{
    m_strTag = pszTag;
}

CHTMLTag::~CHTMLTag()
{
    // Deleting the head frees the whole chain with its strings.
    delete m_pAttributes;
}

const wchar_t* CHTMLTag::GetAttribute(const wchar_t* pszName) const
{
    return m_pAttributes ? m_pAttributes->FindAttribute(pszName) : nullptr;
}

BOOL CHTMLTag::SetAttribute(const wchar_t* pszName, const wchar_t* pszValue)
{
    if (IsEmpty(pszName)) return FALSE;

    TagAttribute** ppLink = &m_pAttributes;
    for (; *ppLink; ppLink = &(*ppLink)->m_pNext) {
        TagAttribute* node = *ppLink;
        if (node->m_pszName && QLUtils::CompareNoCase(node->m_pszName, pszName) == 0) {
            wchar_t* pszCopy = HeapCopy(pszValue);
            if (pszValue && !pszCopy) return FALSE;
            std::free(node->m_pszValue);
            node->m_pszValue = pszCopy;
            return TRUE;
        }
    }

    // Absent: an empty value would not be written anyway, so nothing is added.
    if (IsEmpty(pszValue)) return FALSE;

    TagAttribute* node = new (std::nothrow) TagAttribute;
    if (!node) return FALSE;
    node->m_pszName = HeapCopy(pszName);
    node->m_pszValue = HeapCopy(pszValue);
    if (!node->m_pszName || !node->m_pszValue) {
        delete node;
        return FALSE;
    }
    *ppLink = node;
    return TRUE;
}

int CHTMLTag::Generate(CkvuuStdioFile* pFile)
{
    WriteText(pFile, L"<");
    WriteText(pFile, m_strTag);
    // Valueless and emptied attributes are dropped: emptying is how the
    // setters remove an attribute from the saved tag.
    for (const TagAttribute* node = m_pAttributes; node; node = node->m_pNext) {
        if (IsEmpty(node->m_pszValue)) continue;
        WriteText(pFile, L" ");
        WriteText(pFile, node->m_pszName);
        WriteText(pFile, L"=\"");
        WriteText(pFile, node->m_pszValue);
        WriteText(pFile, L"\"");
    }
    WriteText(pFile, L">");
    return 1;
}

CHTMLEndTag::CHTMLEndTag(const wchar_t* pszTag, int nBegin, int nEnd) : CHTMLObject(nBegin, nEnd)
{
    m_strTag = pszTag;
}

int CHTMLEndTag::Generate(CkvuuStdioFile* pFile)
{
    WriteText(pFile, L"</");
    WriteText(pFile, m_strTag);
    WriteText(pFile, L">");
    return 1;
}

int CHTMLTitle::Generate(CkvuuStdioFile* pFile)
{
    WriteText(pFile, L"<title>");
    WriteText(pFile, EscapeTitle(m_strTitle));
    WriteText(pFile, L"</title>");
    return 1;
}

int CHTMLStyleLink::Generate(CkvuuStdioFile* pFile)
{
    // Clearing the path is how the caller removes the link from the topic.
    if (m_strHref.IsEmpty()) return 1;
    WriteText(pFile, L"<link rel=\"stylesheet\" href=\"");
    WriteText(pFile, m_strHref);
    WriteText(pFile, L"\" type=\"text/css\" />");
    return 1;
}

CHTMLImage::CHTMLImage(const wchar_t* pszSrc, const wchar_t* pszUseMap) : m_strSrc(pszSrc), m_strUseMap(pszUseMap)
{
}

int CHTMLImage::Generate(CkvuuStdioFile* pFile)
{
    WriteText(pFile, L"<img src=\"");
    WriteText(pFile, m_strSrc);
    WriteText(pFile, L"\"");
    if (!m_strUseMap.IsEmpty()) {
        WriteText(pFile, L" usemap=\"");
        WriteText(pFile, m_strUseMap);
        WriteText(pFile, L"\"");
    }
    WriteText(pFile, L">");
    return 1;
}

CHtmlFileMultimedia::CHtmlFileMultimedia(const wchar_t* pszSrc, const wchar_t* pszUseMap, int nType, int nLoop)
    : m_strSrc(pszSrc), m_strUseMap(pszUseMap), m_nType(nType), m_nLoop(nLoop)
{
}

int CHtmlFileMultimedia::Generate(CkvuuStdioFile* pFile)
{
    // Without a source there is nothing to play; the element is dropped.
    if (m_strSrc.IsEmpty()) return 1;
    WriteText(pFile, m_nType == 1 ? L"<BGSOUND SRC=\"" : L"<IMG DYNSRC=\"");
    WriteText(pFile, m_strSrc);
    WriteText(pFile, L"\"");
    // Playing once is the browsers' default, so it needs no attribute.
    if (m_nLoop != 1) {
        CString strLoop;
        strLoop.Format(L" LOOP=\"%d\"", m_nLoop);
        WriteText(pFile, strLoop);
    }
    if (!m_strUseMap.IsEmpty()) {
        WriteText(pFile, L" USEMAP=\"");
        WriteText(pFile, m_strUseMap);
        WriteText(pFile, L"\"");
    }
    WriteText(pFile, L">");
    return 1;
}
