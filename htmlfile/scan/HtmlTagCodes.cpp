// The table of known element names and their tag codes, and the lookups
// that give a tag token its code.
#include <htmlfile/scan/HtmlTokenList.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

struct TagName {
    const wchar_t* pszName; // lower case
    int nCode;
};

// Sorted by name (plain wcscmp order) for the binary search.
constexpr TagName kTagNames[] = {
    {L"a", HTML_TAG_A}, {L"abbr", HTML_TAG_ABBR}, {L"acronym", HTML_TAG_ACRONYM},
    {L"address", HTML_TAG_ADDRESS}, {L"applet", HTML_TAG_APPLET}, {L"area", HTML_TAG_AREA},
    {L"article", HTML_TAG_ARTICLE}, {L"aside", HTML_TAG_ASIDE}, {L"audio", HTML_TAG_AUDIO},
    {L"b", HTML_TAG_B}, {L"base", HTML_TAG_BASE}, {L"basefont", HTML_TAG_BASEFONT},
    {L"bdi", HTML_TAG_BDI}, {L"bdo", HTML_TAG_BDO}, {L"bgsound", HTML_TAG_BGSOUND},
    {L"big", HTML_TAG_BIG}, {L"blink", HTML_TAG_BLINK}, {L"blockquote", HTML_TAG_BLOCKQUOTE},
    {L"body", HTML_TAG_BODY}, {L"br", HTML_TAG_BR}, {L"button", HTML_TAG_BUTTON},
    {L"canvas", HTML_TAG_CANVAS}, {L"caption", HTML_TAG_CAPTION}, {L"center", HTML_TAG_CENTER},
    {L"cite", HTML_TAG_CITE}, {L"code", HTML_TAG_CODE}, {L"col", HTML_TAG_COL},
    {L"colgroup", HTML_TAG_COLGROUP}, {L"data", HTML_TAG_DATA}, {L"datalist", HTML_TAG_DATALIST},
    {L"dd", HTML_TAG_DD}, {L"del", HTML_TAG_DEL}, {L"details", HTML_TAG_DETAILS},
    {L"dfn", HTML_TAG_DFN}, {L"dialog", HTML_TAG_DIALOG}, {L"dir", HTML_TAG_DIR},
    {L"div", HTML_TAG_DIV}, {L"dl", HTML_TAG_DL}, {L"dt", HTML_TAG_DT}, {L"em", HTML_TAG_EM},
    {L"embed", HTML_TAG_EMBED}, {L"fieldset", HTML_TAG_FIELDSET},
    {L"figcaption", HTML_TAG_FIGCAPTION}, {L"figure", HTML_TAG_FIGURE}, {L"font", HTML_TAG_FONT},
    {L"footer", HTML_TAG_FOOTER}, {L"form", HTML_TAG_FORM}, {L"frame", HTML_TAG_FRAME},
    {L"frameset", HTML_TAG_FRAMESET}, {L"h1", HTML_TAG_H1}, {L"h2", HTML_TAG_H2},
    {L"h3", HTML_TAG_H3}, {L"h4", HTML_TAG_H4}, {L"h5", HTML_TAG_H5}, {L"h6", HTML_TAG_H6},
    {L"head", HTML_TAG_HEAD}, {L"header", HTML_TAG_HEADER}, {L"hgroup", HTML_TAG_HGROUP},
    {L"hr", HTML_TAG_HR}, {L"html", HTML_TAG_HTML}, {L"i", HTML_TAG_I},
    {L"iframe", HTML_TAG_IFRAME}, {L"ilayer", HTML_TAG_ILAYER}, {L"img", HTML_TAG_IMG},
    {L"input", HTML_TAG_INPUT}, {L"ins", HTML_TAG_INS}, {L"isindex", HTML_TAG_ISINDEX},
    {L"kbd", HTML_TAG_KBD}, {L"keygen", HTML_TAG_KEYGEN}, {L"label", HTML_TAG_LABEL},
    {L"layer", HTML_TAG_LAYER}, {L"legend", HTML_TAG_LEGEND}, {L"li", HTML_TAG_LI},
    {L"link", HTML_TAG_LINK}, {L"listing", HTML_TAG_LISTING}, {L"main", HTML_TAG_MAIN},
    {L"map", HTML_TAG_MAP}, {L"mark", HTML_TAG_MARK}, {L"marquee", HTML_TAG_MARQUEE},
    {L"math", HTML_TAG_MATH}, {L"menu", HTML_TAG_MENU}, {L"meta", HTML_TAG_META},
    {L"meter", HTML_TAG_METER}, {L"multicol", HTML_TAG_MULTICOL}, {L"nav", HTML_TAG_NAV},
    {L"nobr", HTML_TAG_NOBR}, {L"noembed", HTML_TAG_NOEMBED}, {L"noframes", HTML_TAG_NOFRAMES},
    {L"nolayer", HTML_TAG_NOLAYER}, {L"noscript", HTML_TAG_NOSCRIPT}, {L"object", HTML_TAG_OBJECT},
    {L"ol", HTML_TAG_OL}, {L"optgroup", HTML_TAG_OPTGROUP}, {L"option", HTML_TAG_OPTION},
    {L"output", HTML_TAG_OUTPUT}, {L"p", HTML_TAG_P}, {L"param", HTML_TAG_PARAM},
    {L"picture", HTML_TAG_PICTURE}, {L"plaintext", HTML_TAG_PLAINTEXT}, {L"pre", HTML_TAG_PRE},
    {L"progress", HTML_TAG_PROGRESS}, {L"q", HTML_TAG_Q}, {L"rb", HTML_TAG_RB},
    {L"rp", HTML_TAG_RP}, {L"rt", HTML_TAG_RT}, {L"rtc", HTML_TAG_RTC}, {L"ruby", HTML_TAG_RUBY},
    {L"s", HTML_TAG_S}, {L"samp", HTML_TAG_SAMP}, {L"script", HTML_TAG_SCRIPT},
    {L"search", HTML_TAG_SEARCH}, {L"section", HTML_TAG_SECTION}, {L"select", HTML_TAG_SELECT},
    {L"slot", HTML_TAG_SLOT}, {L"small", HTML_TAG_SMALL}, {L"source", HTML_TAG_SOURCE},
    {L"spacer", HTML_TAG_SPACER}, {L"span", HTML_TAG_SPAN}, {L"strike", HTML_TAG_STRIKE},
    {L"strong", HTML_TAG_STRONG}, {L"style", HTML_TAG_STYLE}, {L"sub", HTML_TAG_SUB},
    {L"summary", HTML_TAG_SUMMARY}, {L"sup", HTML_TAG_SUP}, {L"svg", HTML_TAG_SVG},
    {L"table", HTML_TAG_TABLE}, {L"tbody", HTML_TAG_TBODY}, {L"td", HTML_TAG_TD},
    {L"template", HTML_TAG_TEMPLATE}, {L"textarea", HTML_TAG_TEXTAREA}, {L"tfoot", HTML_TAG_TFOOT},
    {L"th", HTML_TAG_TH}, {L"thead", HTML_TAG_THEAD}, {L"time", HTML_TAG_TIME},
    {L"title", HTML_TAG_TITLE}, {L"tr", HTML_TAG_TR}, {L"track", HTML_TAG_TRACK},
    {L"tt", HTML_TAG_TT}, {L"u", HTML_TAG_U}, {L"ul", HTML_TAG_UL}, {L"var", HTML_TAG_VAR},
    {L"video", HTML_TAG_VIDEO}, {L"wbr", HTML_TAG_WBR}, {L"xmp", HTML_TAG_XMP},
};

constexpr bool NameLess(const wchar_t* a, const wchar_t* b)
{
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a < *b;
}

constexpr bool IsSorted()
{
    for (size_t i = 1; i < std::size(kTagNames); ++i)
        if (!NameLess(kTagNames[i - 1].pszName, kTagNames[i].pszName))
            return false;
    return true;
}
static_assert(IsSorted(), "the tag name table must stay sorted and free of duplicates");

// HTML's own notion of white space inside a tag.
bool IsTagSpace(wchar_t ch)
{
    return ch == L' ' || ch == L'\t' || ch == L'\n' || ch == L'\f' || ch == L'\r';
}

bool IsAsciiLetter(wchar_t ch)
{
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

wchar_t AsciiLower(wchar_t ch)
{
    return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch + (L'a' - L'A')) : ch;
}

// Looks up n characters of a name; only ASCII letters are folded, as HTML
// does for tag names.
int CodeOf(const wchar_t* pszName, size_t n)
{
    std::wstring name(pszName, n);
    std::transform(name.begin(), name.end(), name.begin(), AsciiLower);
    auto it = std::lower_bound(std::begin(kTagNames), std::end(kTagNames), name,
                               [](const TagName& entry, const std::wstring& key) { return key.compare(entry.pszName) > 0; });
    return it != std::end(kTagNames) && name == it->pszName ? it->nCode : HTML_TAG_UNKNOWN;
}

} // namespace

int HtmlTagCodeFromName(const wchar_t* pszName)
{
    return pszName ? CodeOf(pszName, std::wcslen(pszName)) : HTML_TAG_UNKNOWN;
}

int HtmlTagCodeFromText(const wchar_t* pszText)
{
    if (!pszText || pszText[0] != L'<')
        return 0;
    const wchar_t* p = pszText + 1;
    const bool bEnd = *p == L'/';
    if (bEnd)
        ++p;
    if (!IsAsciiLetter(*p))
        return 0;
    size_t n = 0;
    while (p[n] && !IsTagSpace(p[n]) && p[n] != L'/' && p[n] != L'>')
        ++n;
    const int nCode = CodeOf(p, n);
    return bEnd ? nCode + HTML_ENDTAG_BIT : nCode;
}
