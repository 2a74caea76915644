// The scanner callback: recognises the tags a topic's properties and
// collections come from and records them with their spans in the file.
#include <htmlfile/document/AttributeValues.h>
#include <htmlfile/document/HtmlFile.h>

using htmlfile_detail::LoopCount;

// The tags the recognition acts on. A tag name is classified once instead of
// being compared with each handled name in turn: the callback runs for every
// tag of the file.
enum class CHtmlFile::KnownTag : unsigned char {
    Other, A, P, B, Img, Map, Svg, Area, Link, Meta, Body, Html, Math, Param, Title, Frame, Object, BgSound, Frameset,
};

// Tag names match ignoring case. Only ASCII letters fold to the ASCII letters
// of the handled names, so other characters are compared as they are.
CHtmlFile::KnownTag CHtmlFile::ClassifyTag(const wchar_t* pszTag)
{
    struct KnownName {
        const wchar_t* name;
        KnownTag tag;
    };
    // By length, so that a tag is compared with three names at most.
    static constexpr KnownName kNames1[] = {{L"a", KnownTag::A}, {L"p", KnownTag::P}, {L"b", KnownTag::B}};
    static constexpr KnownName kNames3[] = {{L"img", KnownTag::Img}, {L"map", KnownTag::Map}, {L"svg", KnownTag::Svg}};
    static constexpr KnownName kNames4[] = {{L"area", KnownTag::Area}, {L"link", KnownTag::Link},
                                            {L"meta", KnownTag::Meta}, {L"body", KnownTag::Body},
                                            {L"html", KnownTag::Html}, {L"math", KnownTag::Math}};
    static constexpr KnownName kNames5[] = {
        {L"param", KnownTag::Param}, {L"title", KnownTag::Title}, {L"frame", KnownTag::Frame}};
    static constexpr KnownName kNames6[] = {{L"object", KnownTag::Object}};
    static constexpr KnownName kNames7[] = {{L"bgsound", KnownTag::BgSound}};
    static constexpr KnownName kNames8[] = {{L"frameset", KnownTag::Frameset}};
    constexpr size_t kLongest = 8;

    wchar_t lower[kLongest];
    size_t length = 0;
    for (; pszTag[length]; ++length) {
        if (length == kLongest) return KnownTag::Other;
        const wchar_t c = pszTag[length];
        lower[length] = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    }
    auto find = [&](const auto& names) {
        for (const KnownName& known : names) {
            size_t i = 0;
            while (i < length && known.name[i] == lower[i]) ++i;
            if (i == length) return known.tag;
        }
        return KnownTag::Other;
    };
    switch (length) {
    case 1: return find(kNames1);
    case 3: return find(kNames3);
    case 4: return find(kNames4);
    case 5: return find(kNames5);
    case 6: return find(kNames6);
    case 7: return find(kNames7);
    case 8: return find(kNames8);
    default: return KnownTag::Other;
    }
}

unsigned int CHtmlFile::callback(HTML& /*html*/, _HTML_cbreason reason, const wchar_t* pszTag,
                                 TagAttribute* const pAttributes)
{
    if (!pszTag) return HTMLCB_NONE;
    if (reason == HTMLCB_STARTTAG) return OnStartTag(ClassifyTag(pszTag), pszTag, pAttributes);
    if (reason == HTMLCB_ENDTAG) return OnEndTag(ClassifyTag(pszTag), pszTag);
    return HTMLCB_NONE;
}

unsigned int CHtmlFile::OnStartTag(KnownTag tag, const wchar_t* pszTag, TagAttribute* pAttributes)
{
    if (!pAttributes) return OnCommonStartTag(tag, pszTag, pAttributes);

    // An object element ends unrecorded at any start tag with attributes
    // other than a parameter: it holds more than this library can rewrite.
    if (m_pOpenObjectTag && tag != KnownTag::Param) {
        delete m_pOpenObjectTag;
        m_pOpenObjectTag = nullptr;
    }

    switch (tag) {
    case KnownTag::A: OnAnchor(pAttributes); return HTMLCB_NONE;
    case KnownTag::P:
    case KnownTag::B: return HTMLCB_NONE;
    case KnownTag::Area: OnArea(pAttributes); return HTMLCB_NONE;
    case KnownTag::Img: OnImage(pAttributes); return HTMLCB_NONE;
    case KnownTag::Link: OnLink(pAttributes); return HTMLCB_NONE;
    case KnownTag::BgSound: OnBgSound(pAttributes); return HTMLCB_NONE;
    case KnownTag::Map: OnMapStart(pAttributes); return HTMLCB_NONE;
    case KnownTag::Frameset:
        if (m_dwFlags & PARSE_FRAMESETS) OnFramesetStart(pAttributes);
        return HTMLCB_NONE;
    case KnownTag::Object: OnObjectStart(pAttributes); return HTMLCB_NONE;
    case KnownTag::Param: OnParam(pAttributes); return HTMLCB_NONE;
    case KnownTag::Meta:
        if (m_dwFlags & PARSE_TEMPLATES) OnTemplateMeta(pAttributes);
        return HTMLCB_NONE;
    default: return OnCommonStartTag(tag, pszTag, pAttributes);
    }
}

// The start tags that count with or without attributes.
unsigned int CHtmlFile::OnCommonStartTag(KnownTag tag, const wchar_t* pszTag, TagAttribute* pAttributes)
{
    switch (tag) {
    case KnownTag::Svg:
    case KnownTag::Math: ++m_nForeignDepth; return HTMLCB_NONE;
    case KnownTag::Body:
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
    case KnownTag::Title:
        // The page's title is the first title element outside a drawing or
        // formula: a diagram's own title inside <svg> names the diagram.
        if (!m_pTitle || m_bTitleListed || m_nForeignDepth > 0) return HTMLCB_NONE;
        m_pTitle->m_nBegin = m_pScanner->TagBegin();
        return HTMLCB_COLLECTTEXT;
    case KnownTag::Html: m_bValid = TRUE; return HTMLCB_NONE;
    case KnownTag::Frame:
        if (m_dwFlags & PARSE_FRAMESETS) OnFrame(pAttributes);
        return HTMLCB_NONE;
    default: return HTMLCB_NONE;
    }
}

unsigned int CHtmlFile::OnEndTag(KnownTag tag, const wchar_t* pszTag)
{
    switch (tag) {
    case KnownTag::Title:
        // Only an end tag that closes a title start tag ends the title. A
        // stray one further on would stretch the title's span over all the
        // text in between, which the title's writer then replaces.
        if (m_pTitle && m_pTitle->m_nBegin > m_pTitle->m_nEnd) {
            m_pTitle->m_nEnd = m_pScanner->TagEnd();
            m_pTitle->m_strTitle = m_pScanner->HasCollectedText() ? m_pScanner->CollectedText() : L"";
            if (!m_bTitleListed) {
                m_listObjects.AddTail(m_pTitle);
                m_bTitleListed = TRUE;
                FingerprintRecorded(m_pTitle);
            }
        }
        return HTMLCB_STOPTEXT;
    case KnownTag::Map: OnMapEnd(); return HTMLCB_NONE;
    case KnownTag::Svg:
    case KnownTag::Math:
        if (m_nForeignDepth > 0) --m_nForeignDepth;
        return HTMLCB_NONE;
    case KnownTag::Object: OnObjectEnd(); return HTMLCB_NONE;
    case KnownTag::Body:
        if (!(m_dwFlags & PARSE_FRAMESETS)) {
            m_listObjects.AddTail(new CHTMLEndTag(pszTag, m_pScanner->TagBegin(), m_pScanner->TagEnd()));
            FingerprintRecorded(m_listObjects.GetTail());
        }
        return HTMLCB_NONE;
    case KnownTag::Frameset:
        if (m_dwFlags & PARSE_FRAMESETS) OnFramesetEnd();
        return HTMLCB_NONE;
    default: return HTMLCB_NONE;
    }
}

namespace {

// Whether a rel value names a style sheet: "stylesheet" as one of its
// white-space separated tokens, in any case ("alternate stylesheet" too).
bool NamesStyleSheet(const wchar_t* pszRel)
{
    constexpr const wchar_t* kToken = L"stylesheet";
    constexpr size_t kTokenLength = 10;
    auto isSpace = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\f' || c == L'\r'; };
    for (const wchar_t* p = pszRel; p && *p;) {
        while (isSpace(*p)) ++p;
        const wchar_t* pStart = p;
        while (*p && !isSpace(*p)) ++p;
        size_t i = 0;
        for (; i < kTokenLength && pStart + i < p; ++i) {
            const wchar_t c = pStart[i];
            if (((c >= L'A' && c <= L'Z') ? c + 32 : c) != kToken[i]) break;
        }
        if (i == kTokenLength && pStart + i == p) return true;
    }
    return false;
}

} // namespace

void CHtmlFile::OnLink(TagAttribute* pAttributes)
{
    // The first style sheet link is the document's; icons, next-page links
    // and later style sheets are left as they stand.
    if (!(m_dwFlags & PARSE_STYLESHEET) || !m_pStyleLink || m_bStyleLinkListed) return;
    const wchar_t* pszRel = pAttributes->FindAttribute(L"rel");
    if (!NamesStyleSheet(pszRel)) return;
    m_pStyleLink->TakeAttributes(pAttributes);
    m_listObjects.AddTail(m_pStyleLink);
    m_bStyleLinkListed = TRUE;
    m_pStyleLink->m_nBegin = m_pScanner->TagBegin();
    m_pStyleLink->m_nEnd = m_pScanner->TagEnd();
    FingerprintRecorded(m_pStyleLink);
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
    FingerprintRecorded(m_pOpenMap);
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
    FingerprintRecorded(m_pOpenObjectTag);
    m_pOpenObjectTag = nullptr;
}
