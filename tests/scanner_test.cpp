// Tests of the tag scanner: events, positions, attributes, collected text and
// ownership of attribute chains. Every input goes through the scanner three
// times, as one block, one byte at a time and in blocks of uneven sizes, and
// all must give the same events.
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

using Answer = std::function<unsigned int(const std::wstring& tag, _HTML_cbreason reason)>;
using Events = std::vector<std::wstring>;

// Writes each event as "<name a="v" b> begin-end", "</name> begin-end", with
// the collected text appended to end tags as ` "text"` when there is some.
struct Recorder : HTMLCallback {
    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag, TagAttribute* const pAttributes) override
    {
        std::wstring event = (reason == HTMLCB_STARTTAG ? L"<" : L"</") + std::wstring(pszTag);
        for (const TagAttribute* a = pAttributes; a; a = a->m_pNext)
            event += L' ' + std::wstring(a->m_pszName) + (a->m_pszValue ? L"=\"" + std::wstring(a->m_pszValue) + L'"' : L"");
        event += L"> " + std::to_wstring(html.TagBegin()) + L'-' + std::to_wstring(html.TagEnd());
        if (reason == HTMLCB_ENDTAG && html.HasCollectedText()) event += L" \"" + std::wstring(html.CollectedText()) + L'"';
        events.push_back(event);
        return answer ? answer(pszTag, reason) : HTMLCB_NONE;
    }
    Answer answer;
    Events events;
    long long position = 0; // units fed, read after the last byte
};

enum class Cut { None, EveryByte, Uneven }; // whole, through operator<<, or in blocks of uneven sizes

Recorder Feed(const std::string& input, const Answer& answer, Cut cut = Cut::None)
{
    Recorder recorder;
    recorder.answer = answer;
    HTML html;
    html.regcallback(&recorder);
    for (size_t i = 0; cut == Cut::EveryByte && i < input.size(); ++i) html << input[i];
    for (size_t from = 0, n; cut != Cut::EveryByte && from < input.size(); from += n) {
        n = cut == Cut::None ? input.size() : std::min(input.size() - from, from * 7 % 13 + 1);
        html.Feed(input.data() + from, n);
    }
    recorder.position = html.Position();
    return recorder;
}

Events Scan(const std::string& input, const Answer& answer = {})
{
    const Recorder whole = Feed(input, answer);
    for (Cut cut : {Cut::EveryByte, Cut::Uneven}) {
        const Recorder cutUp = Feed(input, answer, cut);
        EXPECT_EQ(cutUp.events, whole.events) << "fed cut up: " << input;
        EXPECT_EQ(cutUp.position, whole.position) << input;
    }
    return whole.events;
}

// Answers as the document does for a title: collect after the start tag,
// stop at the end tag.
unsigned int CollectTitle(const std::wstring& tag, _HTML_cbreason reason)
{
    return CompareFolded(tag.c_str(), L"title") ? HTMLCB_NONE : reason == HTMLCB_STARTTAG ? HTMLCB_COLLECTTEXT : HTMLCB_STOPTEXT;
}

TEST(Scanner, PositionsCountCharactersNotBytes)
{
    // é is 2 bytes, € 3, U+1F600 4; each is one unit with 32-bit wchar_t,
    // and U+1F600 two (a surrogate pair) with 16-bit wchar_t.
    const int pair = sizeof(wchar_t) == 2 ? 1 : 0;
    auto span = [](int from, int to) { return L"> " + std::to_wstring(from) + L"-" + std::to_wstring(to); };
    EXPECT_EQ(Scan("\xC3\xA9<b>\xE2\x82\xAC</b>\xF0\x9F\x98\x80<i>"),
              (Events{L"<b> 2-4", L"</b> 6-9", L"<i" + span(11 + pair, 13 + pair)}));
    // Generalised forms the document may feed count one unit each: a value
    // beyond U+10FFFF, a lone surrogate, the 5- and 6-byte forms. A stray
    // continuation byte, 0xFF, and a sequence cut short are one unit each.
    for (const char* pszInput : {"\xF4\x90\x80\x81<a>", "\xED\xA0\x80<a>", "\xF8\x88\x80\x80\x80<a>",
                                 "\xFC\x84\x80\x80\x80\x80<a>", "\xE2\x82<a>"})
        EXPECT_EQ(Scan(pszInput), Events{L"<a> 2-4"}) << pszInput;
    for (const char* pszInput : {"\x80\x80<a>", "\xC3\xA9\x80<a>", "\xFF\xC3<a>"})
        EXPECT_EQ(Scan(pszInput), Events{L"<a> 3-5"}) << pszInput;
    HTML html;
    html.Feed("\xC3\xA9\xE2\x82", 4); // an open sequence counts once it starts
    html << '\xAC';
    EXPECT_EQ(html.Position(), 2);
    // Names and values are decoded; overlong and truncated sequences become
    // U+FFFD. A name must start with an ASCII letter, so "<\xC3\xA9" is text.
    EXPECT_EQ(Scan("<\xC3\xA9><t\xC3\xA9 v=\"\xE2\x82\xAC\xF0\x9F\x98\x80\" w=\xC0\xAF x=\"\xE2\x82\">"),
              Events{L"<t\u00e9 v=\"\u20ac\U0001F600\" w=\"\uFFFD\" x=\"\uFFFD\"" + span(4, 24 + pair)});
}

TEST(Scanner, MarkupThatIsNoTag)
{
    const std::pair<const char*, Events> cases[] = {
        {"<!-- <a> --><b>", {L"<b> 13-15"}},  {"<!--><b>", {L"<b> 6-8"}},   {"<!---><b>", {L"<b> 7-9"}},
        {"<!-- x --!><b>", {L"<b> 12-14"}},  {"<!-- -- > <a> --- ><a> -->", {}}, {"<!-x><b>", {L"<b> 6-8"}},
        {"<!DOCTYPE html PUBLIC \"-//x\"><b>", {L"<b> 30-32"}}, {"<?xml version=\"1.0\"?><b>", {L"<b> 22-24"}},
        {"<![CDATA[<a>]]><b>", {L"<b> 16-18"}}, {"</ a><b>", {L"<b> 6-8"}}, {"</><b>", {L"<b> 4-6"}},
        {"a < b <3 <<b>", {L"<b> 11-13"}}, {"<a href='x", {}}, {"<b>text</b", {L"<b> 1-3"}}, {"<!-- <a>", {}},
        {"<script>if (a<b) x('<p>', '</scriptx>');</SCRIPT ><i>",
         {L"<script> 1-8", L"</SCRIPT> 41-50", L"<i> 51-53"}},
        {"<Style><p></style/><xmp><p></xmp><iframe><p></iframe><noembed><p></noembed>",
         {L"<Style> 1-7", L"</style> 11-19", L"<xmp> 20-24", L"</xmp> 28-33", L"<iframe> 34-41", L"</iframe> 45-53",
          L"<noembed> 54-62", L"</noembed> 66-75"}},
        {"<textarea></textareax><p></TEXTAREA>", {L"<textarea> 1-10", L"</TEXTAREA> 26-36"}},
        {"<noframes><body></noframes><noscript><p></noscript>",
         {L"<noframes> 1-10", L"<body> 11-16", L"</noframes> 17-27", L"<noscript> 28-37", L"<p> 38-40",
          L"</noscript> 41-51"}},
        {"<plaintext><a></plaintext>", {L"<plaintext> 1-11"}},
        {"<br/><a/b></a x='>'>", {L"<br> 1-5", L"<a b> 6-10", L"</a> 11-20"}},
        // Attributes keep their order, case and raw values; '/' separates them.
        {"<IMG Src=\"a b\" alt='x\"y' w=10 IsMap e=\"\" d=1 d=2 f= g=> <a =x z=&amp; t=>",
         {L"<IMG Src=\"a b\" alt=\"x\"y\" w=\"10\" IsMap e=\"\" d=\"1\" d=\"2\" f=\"g=\"> 1-55", L"<a =x z=\"&amp;\" t=\"\"> 57-73"}},
        {"<i/=x/><u v/=w><x =y z= ><q a=\"1\"b=2><hr noshade/ size=1><b\tclass = \"k\" >",
         {L"<i =x> 1-7", L"<u v =w> 8-15", L"<x =y z=\"\"> 16-25", L"<q a=\"1\" b=\"2\"> 26-37",
          L"<hr noshade size=\"1\"> 38-57", L"<b class=\"k\"> 58-73"}},
    };
    for (const auto& [pszInput, events] : cases) EXPECT_EQ(Scan(pszInput), events) << pszInput;
}

// Copies names and values, finds names ignoring case (a valueless
// attribute answers with its name), and frees long chains without
// recursing. (That the scanner leaves a chain its callee keeps alone, the
// document's body tag shows in every save.)
TEST(TagAttribute, CopiesFindsAndFreesLongChains)
{
    const wchar_t name[] = L"Name";
    auto* head = new TagAttribute(L"", L""); // nameless: skipped by lookups
    EXPECT_EQ(head->m_pszName, nullptr);
    TagAttribute* tail = head->m_pNext = new TagAttribute(name, L"v");
    EXPECT_NE(tail->m_pszName, name);
    tail = tail->m_pNext = new TagAttribute(L"valueless", nullptr);
    EXPECT_STREQ(head->FindAttribute(L"nAME"), L"v");
    EXPECT_STREQ(head->FindAttribute(L"VALUELESS"), L"valueless");
    EXPECT_EQ(head->FindAttribute(L""), nullptr);
    EXPECT_EQ(head->FindAttribute(nullptr), nullptr);
    for (int i = 0; i < 200000; ++i) tail = tail->m_pNext = new TagAttribute(L"x", nullptr);
    delete head;
}

// Collected text decodes references; in RCDATA a tag is text, and so is an
// end tag of another name. Collecting goes on over other tags until an end
// tag answers "stop"; comments are left out, a '<' that starts nothing stays.
TEST(Scanner, CollectedTextDecodesReferences)
{
    const Answer collectP = [](const std::wstring& tag, _HTML_cbreason reason) -> unsigned int {
        return tag != L"p" ? HTMLCB_NONE : reason == HTMLCB_STARTTAG ? HTMLCB_COLLECTTEXT : HTMLCB_STOPTEXT;
    };
    const std::tuple<const char*, Answer, Events> cases[] = {
        {"<title>Caf&eacute; &amp; Bar</title>", CollectTitle, {L"<title> 1-7", L"</title> 29-36 \"Caf\u00e9 & Bar\""}},
        {"<title>&notit; &notin; &#x41;&#66&#0;&#x110000;&#xD800;&#128;&#x81;&#; &#xg &bogus; "
         "&amp&lt;&ampx &NotNestedGreaterGreater; &\xC3\xA9</title>",
         CollectTitle,
         {L"<title> 1-7", L"</title> 127-134 \"\u00acit; \u2209 AB\uFFFD\uFFFD\uFFFD\u20ac\u0081&#; &#xg &bogus; &<&x "
                          L"\u2aa2\u0338 &\u00e9\""}},
        {"<TITLE>a<b>c</b></titlex></Title>", CollectTitle, {L"<TITLE> 1-7", L"</Title> 26-33 \"a<b>c</b></titlex>\""}},
        {"x<p>a<i>b</i>c<!-- y -->d < e</p>f</i><title>t</title>", collectP,
         {L"<p> 2-4", L"<i> 6-8", L"</i> 10-13 \"ab\"", L"</p> 30-33 \"abcd < e\"", L"</i> 35-38", L"<title> 39-45",
          L"</title> 47-54"}},
        {"<title></title>", CollectTitle, {L"<title> 1-7", L"</title> 8-15"}},
    };
    for (const auto& [pszInput, answer, events] : cases) EXPECT_EQ(Scan(pszInput, answer), events) << pszInput;
}

// init() drops a pending tag, title text and the position; called from a
// callback, also the rest of the block being fed.
TEST(Scanner, InitStartsANewStream)
{
    HTML html;
    Recorder recorder;
    recorder.answer = [&](const std::wstring& tag, _HTML_cbreason reason) {
        if (tag == L"reset") html.init();
        return CollectTitle(tag, reason);
    };
    html.regcallback(&recorder);
    html.Feed("<a><title>abc<b href", 20);
    html.init();
    html.Feed("x></title><reset><lost>", 23);
    EXPECT_EQ(html.Position(), 0);
    html.Feed("<p>", 3);
    EXPECT_EQ(recorder.events, (Events{L"<a> 1-3", L"<title> 4-10", L"</title> 3-10", L"<reset> 11-17", L"<p> 1-3"}));
}

// A name far beyond what the document compares, a value and a comment of
// 4 MB each, fed byte by byte, take linear time.
TEST(Scanner, HugeTokensStayLinear)
{
    const size_t size = 4 << 20;
    const std::string input = '<' + std::string(300, 'n') + " a=\"" + std::string(size, 'v') + "\"><!--" +
                              std::string(size, '-') + "--><p>";
    EXPECT_EQ(Feed(input, {}, Cut::EveryByte).events,
              (Events{L'<' + std::wstring(300, L'n') + L" a=\"" + std::wstring(size, L'v') + L"\"> 1-" + std::to_wstring(size + 307),
                      L"<p> " + std::to_wstring(input.size() - 2) + L'-' + std::to_wstring(input.size())}));
}

} // namespace
