#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/markup/MarkupText.h>
#include <htmlfile/text/KvuuStdioFile.h>
#include <htmlfile/text/QLUtils.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

using htmlfile_markup::AttributeText;

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

} // namespace

void CHTMLObject::WriteText(CkvuuStdioFile* pFile, const wchar_t* pszText)
{
    if (pszText) WriteText(pFile, pszText, std::wcslen(pszText));
}

void CHTMLObject::WriteText(CkvuuStdioFile* pFile, const wchar_t* pText, size_t nLength)
{
    if (!pFile || !pText) return;
    try {
        pFile->Write(pText, static_cast<UINT>(nLength));
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
            MarkRemoved(node, IsEmpty(pszValue));
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

void CHTMLTag::MarkRemoved(const TagAttribute* pNode, bool bRemoved)
{
    auto it = std::find(m_vecRemoved.begin(), m_vecRemoved.end(), pNode);
    if (bRemoved && it == m_vecRemoved.end()) m_vecRemoved.push_back(pNode);
    if (!bRemoved && it != m_vecRemoved.end()) m_vecRemoved.erase(it);
}

bool CHTMLTag::IsRemoved(const TagAttribute* pNode) const
{
    return std::find(m_vecRemoved.begin(), m_vecRemoved.end(), pNode) != m_vecRemoved.end();
}

int CHTMLTag::Generate(CkvuuStdioFile* pFile)
{
    WriteText(pFile, L"<");
    WriteText(pFile, m_strTag);
    // Every attribute goes back as the file gave it, bare or with a value,
    // empty or not; one emptied through SetAttribute is left out, which is
    // how the setters remove an attribute from the saved tag.
    auto written = [this](const TagAttribute* node) {
        while (node && (!node->m_pszName || IsRemoved(node))) node = node->m_pNext;
        return node;
    };
    for (const TagAttribute* node = written(m_pAttributes); node; node = written(node->m_pNext)) {
        const TagAttribute* next = written(node->m_pNext);
        WriteText(pFile, AttributeText(node->m_pszName,
                                       htmlfile_markup::ValueBeforeName(node->m_pszValue, next ? next->m_pszName : nullptr)));
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
    WriteText(pFile, htmlfile_markup::TitleText(m_strTitle));
    WriteText(pFile, L"</title>");
    return 1;
}

void CHTMLStyleLink::TakeAttributes(const TagAttribute* pAttributes)
{
    const wchar_t* pszHref = pAttributes ? pAttributes->FindAttribute(L"href") : nullptr;
    const wchar_t* pszRel = pAttributes ? pAttributes->FindAttribute(L"rel") : nullptr;
    m_strHref = pszHref;
    m_strRel = pszRel;
    m_vecOtherAttributes.clear();
    for (const TagAttribute* node = pAttributes; node; node = node->m_pNext) {
        const wchar_t* pszName = node->m_pszName;
        if (!pszName || QLUtils::CompareNoCase(pszName, L"rel") == 0 || QLUtils::CompareNoCase(pszName, L"href") == 0 ||
            QLUtils::CompareNoCase(pszName, L"type") == 0)
            continue;
        m_vecOtherAttributes.push_back({pszName, node->m_pszValue, node->m_pszValue != nullptr});
    }
}

int CHTMLStyleLink::Generate(CkvuuStdioFile* pFile)
{
    // Clearing the path is how the caller removes the link from the topic.
    if (m_strHref.IsEmpty()) return 1;
    WriteText(pFile, L"<link");
    WriteText(pFile, AttributeText(L"rel", m_strRel));
    WriteText(pFile, AttributeText(L"href", m_strHref));
    WriteText(pFile, AttributeText(L"type", L"text/css"));
    for (size_t i = 0; i < m_vecOtherAttributes.size(); ++i) {
        const CKeptAttribute& attribute = m_vecOtherAttributes[i];
        const wchar_t* pszNext = i + 1 < m_vecOtherAttributes.size() ? m_vecOtherAttributes[i + 1].strName.GetString() : nullptr;
        const wchar_t* pszValue = attribute.bHasValue ? attribute.strValue.GetString() : nullptr;
        WriteText(pFile, AttributeText(attribute.strName, htmlfile_markup::ValueBeforeName(pszValue, pszNext)));
    }
    WriteText(pFile, L" />");
    return 1;
}

CHTMLImage::CHTMLImage(const wchar_t* pszSrc, const wchar_t* pszUseMap) : m_strSrc(pszSrc), m_strUseMap(pszUseMap)
{
}

int CHTMLImage::Generate(CkvuuStdioFile* pFile)
{
    WriteText(pFile, L"<img");
    WriteText(pFile, AttributeText(L"src", m_strSrc));
    if (!m_strUseMap.IsEmpty()) WriteText(pFile, AttributeText(L"usemap", m_strUseMap));
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
    WriteText(pFile, m_nType == 1 ? L"<BGSOUND" : L"<IMG");
    WriteText(pFile, AttributeText(m_nType == 1 ? L"SRC" : L"DYNSRC", m_strSrc));
    // Playing once is the browsers' default, so it needs no attribute.
    if (m_nLoop != 1) {
        CString strLoop;
        strLoop.Format(L" LOOP=\"%d\"", m_nLoop);
        WriteText(pFile, strLoop);
    }
    if (!m_strUseMap.IsEmpty()) WriteText(pFile, AttributeText(L"USEMAP", m_strUseMap));
    WriteText(pFile, L">");
    return 1;
}
