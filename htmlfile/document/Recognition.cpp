// The scanner callback: recognises the tags a topic's properties and
// collections come from and records them with their spans in the file.
#include <htmlfile/document/AttributeValues.h>
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/platform/CaseFold.h>

#include <cwchar>

using htmlfile_detail::LoopCount;

namespace {

// Tag names are compared lower-cased in a fixed buffer; a name too long for
// it matches no handled tag.
constexpr size_t kNameBuffer = 260;

void LowerName(const wchar_t* pszTag, wchar_t (&name)[kNameBuffer])
{
    size_t i = 0;
    for (; pszTag[i] && i < kNameBuffer - 1; ++i) name[i] = FoldCase(pszTag[i]);
    if (pszTag[i]) i = 0;
    name[i] = 0;
}

bool Is(const wchar_t* name, const wchar_t* literal)
{
    return std::wcscmp(name, literal) == 0;
}

} // namespace

unsigned int CHtmlFile::callback(HTML& /*html*/, _HTML_cbreason reason, const wchar_t* pszTag,
                                 TagAttribute* const pAttributes)
{
    if (!pszTag) return HTMLCB_NONE;
    if (reason == HTMLCB_STARTTAG) return OnStartTag(pszTag, pAttributes);
    if (reason == HTMLCB_ENDTAG) return OnEndTag(pszTag);
    return HTMLCB_NONE;
}

unsigned int CHtmlFile::OnStartTag(const wchar_t* pszTag, TagAttribute* pAttributes)
{
    wchar_t name[kNameBuffer];
    LowerName(pszTag, name);
    if (!pAttributes) return OnCommonStartTag(name, pszTag, pAttributes);

    // An object element ends unrecorded at any start tag with attributes
    // other than a parameter: it holds more than this library can rewrite.
    if (m_pOpenObjectTag && !Is(name, L"param")) {
        delete m_pOpenObjectTag;
        m_pOpenObjectTag = nullptr;
    }

    if (Is(name, L"a")) {
        OnAnchor(pAttributes);
        return HTMLCB_NONE;
    }
    if (Is(name, L"p") || Is(name, L"b")) return OnCommonStartTag(name, pszTag, pAttributes);
    if (Is(name, L"area")) {
        OnArea(pAttributes);
        return HTMLCB_NONE;
    }
    if (Is(name, L"img")) {
        OnImage(pAttributes);
    } else if (Is(name, L"link")) {
        OnLink(pAttributes);
        return HTMLCB_NONE;
    } else if (Is(name, L"bgsound")) {
        OnBgSound(pAttributes);
        return HTMLCB_NONE;
    } else if (Is(name, L"map")) {
        OnMapStart(pAttributes);
        return HTMLCB_NONE;
    } else if (Is(name, L"frameset") && (m_dwFlags & PARSE_FRAMESETS)) {
        OnFramesetStart(pAttributes);
        return HTMLCB_NONE;
    } else if (Is(name, L"object")) {
        OnObjectStart(pAttributes);
    } else if (Is(name, L"param")) {
        OnParam(pAttributes);
    } else if ((m_dwFlags & PARSE_TEMPLATES) && Is(name, L"meta")) {
        OnTemplateMeta(pAttributes);
    }
    return OnCommonStartTag(name, pszTag, pAttributes);
}

unsigned int CHtmlFile::OnCommonStartTag(const wchar_t* name, const wchar_t* pszTag, TagAttribute* pAttributes)
{
    if (Is(name, L"p") || Is(name, L"b")) return HTMLCB_NONE;
    if (Is(name, L"body")) {
        if (!(m_dwFlags & PARSE_BODY)) return HTMLCB_NONE;
        if (!m_pBodyTag) {
            m_pBodyTag = new CHTMLTag(pszTag, pAttributes, m_pScanner->TagBegin(), m_pScanner->TagEnd());
            m_listObjects.AddTail(m_pBodyTag);
        } else {
            // The chain is ours once we answer that we keep it; only the
            // first body start tag is recorded, so a later chain is freed.
            delete pAttributes;
        }
        return HTMLCB_KEEPATTRIBUTES;
    }
    if (Is(name, L"title")) {
        if (!m_pTitle) return HTMLCB_NONE;
        m_pTitle->m_nBegin = m_pScanner->TagBegin();
        return HTMLCB_COLLECTTEXT;
    }
    if (Is(name, L"html")) {
        m_bValid = TRUE;
        return HTMLCB_NONE;
    }
    if (Is(name, L"frame") && (m_dwFlags & PARSE_FRAMESETS)) OnFrame(pAttributes);
    return HTMLCB_NONE;
}

unsigned int CHtmlFile::OnEndTag(const wchar_t* pszTag)
{
    wchar_t name[kNameBuffer];
    LowerName(pszTag, name);
    if (Is(name, L"p") || Is(name, L"b")) return HTMLCB_NONE;
    if (Is(name, L"title")) {
        // Only an end tag that closes a title start tag ends the title. A
        // stray one further on would stretch the title's span over all the
        // text in between, which the title's writer then replaces.
        if (m_pTitle && m_pTitle->m_nBegin > m_pTitle->m_nEnd) {
            m_pTitle->m_nEnd = m_pScanner->TagEnd();
            m_pTitle->m_strTitle = m_pScanner->HasCollectedText() ? m_pScanner->CollectedText() : L"";
            if (!m_bTitleListed) {
                m_listObjects.AddTail(m_pTitle);
                m_bTitleListed = TRUE;
            }
        }
        return HTMLCB_STOPTEXT;
    }
    if (Is(name, L"map")) {
        OnMapEnd();
    } else if (Is(name, L"object")) {
        OnObjectEnd();
    } else if (Is(name, L"body")) {
        if (!(m_dwFlags & PARSE_FRAMESETS))
            m_listObjects.AddTail(new CHTMLEndTag(pszTag, m_pScanner->TagBegin(), m_pScanner->TagEnd()));
    } else if (Is(name, L"frameset") && (m_dwFlags & PARSE_FRAMESETS)) {
        OnFramesetEnd();
    }
    return HTMLCB_NONE;
}

void CHtmlFile::OnLink(TagAttribute* pAttributes)
{
    if (!(m_dwFlags & PARSE_STYLESHEET) || !m_pStyleLink) return;
    // Every link tag counts, whatever its rel: the first fixes the span,
    // later ones only replace the path.
    m_pStyleLink->m_strHref = pAttributes->FindAttribute(L"href");
    if (!m_bStyleLinkListed) {
        m_listObjects.AddTail(m_pStyleLink);
        m_bStyleLinkListed = TRUE;
        m_pStyleLink->m_nBegin = m_pScanner->TagBegin();
        m_pStyleLink->m_nEnd = m_pScanner->TagEnd();
    }
}

void CHtmlFile::OnTemplateMeta(TagAttribute* pAttributes)
{
    const wchar_t* pszName = pAttributes->FindAttribute(L"name");
    const wchar_t* pszPattern = pAttributes->FindAttribute(L"pattern");
    if (!pszName || !pszPattern || QLUtils::CompareNoCase(pszName, L"template") != 0) return;
    auto* pTemplate = new CHTMLTemplateTag(pszPattern);
    pTemplate->m_nBegin = m_pScanner->TagBegin();
    pTemplate->m_nEnd = m_pScanner->TagEnd();
    m_listObjects.AddTail(pTemplate);
    if (m_pTemplateTags) m_pTemplateTags->AddTail(pTemplate);
}

void CHtmlFile::OnAnchor(TagAttribute* pAttributes)
{
    const wchar_t* pszName = pAttributes->FindAttribute(L"name");
    if (pszName && m_pBookmarks) m_pBookmarks->AddTail(new CString(pszName));
    const wchar_t* pszHref = pAttributes->FindAttribute(L"href");
    if (pszHref && m_pLinks) m_pLinks->AddTail(new CString(pszHref));
}

void CHtmlFile::OnImage(TagAttribute* pAttributes)
{
    const wchar_t* pszUseMap = pAttributes->FindAttribute(L"usemap");
    if (const wchar_t* pszSrc = pAttributes->FindAttribute(L"src")) {
        if (m_pImages) m_pImages->AddTail(new CHTMLImage(pszSrc, pszUseMap));
        return;
    }
    const wchar_t* pszDynSrc = pAttributes->FindAttribute(L"dynsrc");
    if (pszDynSrc && m_pMultimedia) {
        int nLoop = LoopCount(pAttributes->FindAttribute(L"loop"));
        m_pMultimedia->AddTail(new CHtmlFileMultimedia(pszDynSrc, pszUseMap, 0, nLoop));
    }
}

void CHtmlFile::OnBgSound(TagAttribute* pAttributes)
{
    // A document has one background sound: further bgsound tags overwrite
    // its source and loop and move its span to themselves.
    const wchar_t* pszSrc = pAttributes->FindAttribute(L"src");
    if (pszSrc) {
        int nLoop = LoopCount(pAttributes->FindAttribute(L"loop"));
        if (m_pBgSound) {
            m_pBgSound->m_nLoop = nLoop;
            m_pBgSound->m_strSrc = pszSrc;
        } else {
            m_pBgSound = new CHtmlFileMultimedia(pszSrc, nullptr, 1, nLoop);
        }
        if (m_pMultimedia && !m_bBgSoundInMultimedia) {
            m_pMultimedia->AddTail(m_pBgSound);
            m_bBgSoundInMultimedia = TRUE;
        }
        if (!m_bBgSoundListed) {
            m_listObjects.AddTail(m_pBgSound);
            m_bBgSoundListed = TRUE;
        }
    }
    if (m_pBgSound) {
        m_pBgSound->m_nBegin = m_pScanner->TagBegin();
        m_pBgSound->m_nEnd = m_pScanner->TagEnd();
    }
}

void CHtmlFile::OnMapStart(TagAttribute* pAttributes)
{
    const wchar_t* pszName = pAttributes->FindAttribute(L"name");
    if (!pszName) return;
    auto* pMap = new CHTMLMap(pszName);
    m_pOpenMap = pMap;
    pMap->m_nBegin = m_pScanner->TagBegin();
    if (m_pMaps) m_pMaps->AddTail(pMap);
    m_listObjects.AddTail(pMap);
}

void CHtmlFile::OnArea(TagAttribute* pAttributes)
{
    const wchar_t* pszHref = pAttributes->FindAttribute(L"href");
    if (!pszHref || !m_pOpenMap) return;
    m_pOpenMap->AddTarget(pszHref);
    m_pOpenMap->AddMapArea(new CHTMLMapArea(pAttributes->FindAttribute(L"shape"), pAttributes->FindAttribute(L"coords"),
                                            pszHref, pAttributes->FindAttribute(L"title"),
                                            pAttributes->FindAttribute(L"target")));
}

void CHtmlFile::OnMapEnd()
{
    if (!m_pOpenMap) return;
    m_pOpenMap->m_nEnd = m_pScanner->TagEnd();
    m_pOpenMap = nullptr;
}

void CHtmlFile::OnObjectStart(TagAttribute* pAttributes)
{
    if (!(m_dwFlags & PARSE_OBJECTTAGS)) return;
    m_pOpenObjectTag = new CHTMLObjectTag(pAttributes);
    m_pOpenObjectTag->m_nBegin = m_pScanner->TagBegin();
}

void CHtmlFile::OnParam(TagAttribute* pAttributes)
{
    if (!(m_dwFlags & PARSE_OBJECTTAGS) || !m_pOpenObjectTag) return;
    const wchar_t* pszName = pAttributes->FindAttribute(L"Name");
    if (!pszName) return;
    m_pOpenObjectTag->AddParam(new CHTMLParam(pszName, pAttributes->FindAttribute(L"Value")));
}

void CHtmlFile::OnObjectEnd()
{
    if (!m_pOpenObjectTag) return;
    m_pOpenObjectTag->m_nEnd = m_pScanner->TagEnd();
    m_listObjects.AddTail(m_pOpenObjectTag);
    if (m_pObjectTags) m_pObjectTags->AddTail(m_pOpenObjectTag);
    m_pOpenObjectTag = nullptr;
}
