// Single-valued properties of a topic: title, style sheet, background
// image, background sound and watermark.
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/document/ObjectList.h>
#include <htmlfile/text/QLUtils.h>

const wchar_t* CHtmlFile::GetTitle()
{
    if (!(m_dwFlags & PARSE_TITLE) || !ParseFile() || !m_pTitle) return nullptr;
    return m_pTitle->m_strTitle.IsEmpty() ? nullptr : m_pTitle->m_strTitle.GetString();
}

BOOL CHtmlFile::SetTitle(const wchar_t* pszTitle)
{
    if (!(m_dwFlags & PARSE_TITLE) || !m_pTitle) return FALSE;
    m_pTitle->m_strTitle = pszTitle;
    return TRUE;
}

const wchar_t* CHtmlFile::GetStyleSheet()
{
    if (!(m_dwFlags & PARSE_STYLESHEET) || !ParseFile() || !m_pStyleLink) return nullptr;
    return m_pStyleLink->m_strHref;
}

BOOL CHtmlFile::SetStyleSheet(const wchar_t* pszHref)
{
    if (!(m_dwFlags & PARSE_STYLESHEET) || !m_pStyleLink) return FALSE;
    if (!pszHref) {
        // The link stays in place and writes nothing: the saved file has no
        // style sheet link.
        m_pStyleLink->m_strHref.Empty();
        return TRUE;
    }
    m_pStyleLink->m_strHref = pszHref;
    if (m_bStyleLinkListed) return TRUE;

    // A link new to the file goes directly before the title element.
    POSITION posTitle = m_pTitle && m_bTitleListed ? m_listObjects.Find(m_pTitle) : nullptr;
    if (posTitle) m_listObjects.InsertBefore(posTitle, m_pStyleLink);
    else m_listObjects.AddTail(m_pStyleLink);
    m_bStyleLinkListed = TRUE;
    if (m_pTitle) m_pStyleLink->m_nBegin = m_pTitle->m_nBegin;
    m_pStyleLink->m_nEnd = -1;
    return TRUE;
}

const wchar_t* CHtmlFile::GetBgImage()
{
    if (!(m_dwFlags & PARSE_BODY) || !ParseFile() || !m_pBodyTag) return nullptr;
    return m_pBodyTag->GetAttribute(L"background");
}

BOOL CHtmlFile::SetBgImage(const wchar_t* pszImage)
{
    if (!(m_dwFlags & PARSE_BODY) || !m_pBodyTag) return FALSE;
    return m_pBodyTag->SetAttribute(L"background", pszImage);
}

const wchar_t* CHtmlFile::GetBgSound(int* pnLoop)
{
    if (!(m_dwFlags & PARSE_MULTIMEDIA) || !ParseFile() || !m_pMultimedia) return nullptr;
    for (POSITION pos = m_pMultimedia->GetHeadPosition(); pos;) {
        CHtmlFileMultimedia* pMedia = m_pMultimedia->GetNext(pos);
        if (pMedia->m_nType == 1) {
            *pnLoop = pMedia->m_nLoop;
            return pMedia->m_strSrc;
        }
    }
    return nullptr;
}

BOOL CHtmlFile::SetBgSound(const wchar_t* pszSrc, int nLoop)
{
    if (!ParseFile() || !m_pMultimedia) return FALSE;
    if (m_pBgSound) {
        m_pBgSound->m_nLoop = nLoop;
        m_pBgSound->m_strSrc = pszSrc;
        return TRUE;
    }

    auto* pSound = new CHtmlFileMultimedia(pszSrc, nullptr, 1, nLoop);
    m_pBgSound = pSound;
    m_pMultimedia->AddTail(pSound);
    m_bBgSoundInMultimedia = TRUE;

    // A new background sound goes directly before the body start tag.
    POSITION posBody = htmlfile_detail::FindFirstBody(m_listObjects);
    int nBegin = 0;
    if (posBody) {
        nBegin = m_listObjects.GetAt(posBody)->m_nBegin;
        m_listObjects.InsertBefore(posBody, pSound);
    } else {
        m_listObjects.AddTail(pSound);
    }
    m_bBgSoundListed = TRUE;
    pSound->m_nEnd = -1;
    pSound->m_nBegin = m_pBodyTag ? m_pBodyTag->m_nBegin : nBegin;
    return TRUE;
}

BOOL CHtmlFile::GetWaterMark()
{
    if (!(m_dwFlags & PARSE_BODY) || !ParseFile() || !m_pBodyTag) return FALSE;
    const wchar_t* pszValue = m_pBodyTag->GetAttribute(L"bgproperties");
    return pszValue && QLUtils::CompareNoCase(pszValue, L"fixed") == 0;
}

BOOL CHtmlFile::SetWaterMark(BOOL bFixed)
{
    if (!(m_dwFlags & PARSE_BODY) || !m_pBodyTag) return FALSE;
    return m_pBodyTag->SetAttribute(L"bgproperties", bFixed ? L"fixed" : L"");
}
