// The recorded elements and their writers: start and end tags, title, style
// sheet link, images and multimedia, template placeholders, object elements
// with parameters, and image maps.
#include <support/Helpers.h>

#include <htmlfile/markup/MarkupText.h>

#include <gtest/gtest.h>

namespace {

template <typename T, typename... Args>
std::string Written(Args... args)
{
    T element(args...);
    return GenerateToBytes(element);
}

// A start tag writes its attributes as the file gave them (bare, empty or
// with a value), in chain order and as spelled, and leaves out those emptied
// through SetAttribute; GetAttribute ignores case and answers a valueless
// attribute with its name; SetAttribute replaces, appends or refuses.
TEST(TagTest, WritesGetsAndSetsAttributes)
{
    auto chain = MakeAttributes({{L"BGCOLOR", L"#fff"}, {L"nowrap", nullptr}, {L"text", L""}, {L"Link", L"a\"b"}});
    EXPECT_EQ(Written<CHTMLTag>(L"Body", chain.release(), 1, 2), "<Body BGCOLOR=\"#fff\" nowrap text=\"\" Link='a\"b'>");
    EXPECT_EQ(Written<CHTMLEndTag>(L"FoNt", 5, 11), "</FoNt>");
    chain = MakeAttributes({{L"TEXT", L"#000000"}, {L"link", L"blue"}, {L"bgproperties", nullptr}});
    CHTMLTag tag(L"body", chain.release(), 0, 0);
    EXPECT_STREQ(tag.GetAttribute(L"BGPROPERTIES"), L"bgproperties");
    EXPECT_EQ(tag.GetAttribute(L""), nullptr);
    const std::tuple<const wchar_t*, const wchar_t*, int> sets[] = {
        {L"text", L"#ffffff", 1}, {L"link", L"", 1}, // link is kept, but no longer written
        {L"vlink", L"", 0},       {L"vlink", nullptr, 0}, {L"", L"x", 0}, {L"bgcolor", L"#0080ff", 1}};
    for (const auto& [pszName, pszValue, nSet] : sets) EXPECT_EQ(tag.SetAttribute(pszName, pszValue), nSet) << pszName;
    EXPECT_EQ(tag.GetAttribute(L"vlink"), nullptr);
    EXPECT_EQ(GenerateToBytes(tag), "<body TEXT=\"#ffffff\" bgproperties bgcolor=\"#0080ff\">");
    EXPECT_EQ(tag.SetAttribute(L"TEXT", nullptr), 1);
    EXPECT_STREQ(tag.GetAttribute(L"text"), L"TEXT");
    EXPECT_EQ(tag.SetAttribute(L"link", L"red"), 1); // written again once it has a value
    EXPECT_EQ(GenerateToBytes(tag), "<body link=\"red\" bgproperties bgcolor=\"#0080ff\">");
    CHTMLTag bare(L"body", nullptr, 0, 0);
    EXPECT_EQ(bare.GetAttribute(L"bgcolor"), nullptr);
    EXPECT_EQ(bare.SetAttribute(L"alink", L"red"), 1);
    EXPECT_EQ(GenerateToBytes(bare), "<body alink=\"red\">");
}

// The one place values become markup: the quoting table, bare and empty
// values, raw values kept; the title's and the body text's escapes (the
// title element writes its text between its tags; '&' is escaped once).
TEST(MarkupTextTest, NoValueEndsItsTagOrElement)
{
    using namespace htmlfile_markup;
    const std::pair<const wchar_t*, const wchar_t*> attributes[] = {
        {L"plain", L" n=\"plain\""},       {L"", L" n=\"\""},
        {nullptr, L" n"},                  {L"x.css\" onload=\"y", L" n='x.css\" onload=\"y'"},
        {L"it's", L" n=\"it's\""},         {L"a\"b'c\"", L" n=\"a&quot;b'c&quot;\""},
        {L"&quot;&amp;<>", L" n=\"&quot;&amp;<>\""},
    };
    for (const auto& [pszValue, pszText] : attributes) EXPECT_EQ(AttributeText(L"n", pszValue), pszText) << pszText;

    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> texts[] = {
        // value, as a title element's text, as text in the body
        {L"", L"", L""},
        {L"A & B &amp; C &AMP; &&amp", L"A &amp; B &amp; C &amp; &amp;&amp;amp", L"A &amp; B &amp; C &amp; &amp;&amp;amp"},
        {L"&lt;b&gt; ends &", L"&amp;lt;b&amp;gt; ends &amp;", L"&amp;lt;b&amp;gt; ends &amp;"},
        {L"A</title><body bgcolor=red><title>B", L"A&lt;/title><body bgcolor=red><title>B",
         L"A&lt;/title>&lt;body bgcolor=red>&lt;title>B"},
        {L"</TiTlE x</tit <i>", L"&lt;/TiTlE x</tit <i>", L"&lt;/TiTlE x&lt;/tit &lt;i>"},
        {L"<object classid=x> \"q\"", L"<object classid=x> \"q\"", L"&lt;object classid=x> \"q\""},
    };
    for (const auto& [pszValue, pszTitle, pszBody] : texts) {
        EXPECT_EQ(TitleText(pszValue), pszTitle) << pszValue;
        EXPECT_EQ(BodyText(pszValue), pszBody) << pszValue;
        CHTMLTitle title;
        title.m_strTitle = pszValue;
        EXPECT_EQ(GenerateToBytes(title), "<title>" + WideToUtf8(pszTitle) + "</title>");
    }
}

// Every writer puts its values through the quoting table. A link writes
// nothing without a path, multimedia its loop only when not once and
// nothing without a source; only a title placeholder, in any case, writes
// ("New Topic" without a document).
TEST(MarkupTextTest, EveryWriterQuotesItsValues)
{
    const wchar_t* const kBoth = L"a\"b'c";
    auto body = MakeAttributes({{L"background", L"p\"q.gif"}, {L"text", kBoth}});
    CHTMLTag tag(L"body", body.release(), 0, 0);
    CHTMLStyleLink link;
    link.m_strHref = L"x.css\" onload=\"y";
    CHTMLMap map(L"n\"");
    map.AddMapArea(new CHTMLMapArea(L"rect", L"0,0", kBoth, L"t\"", L"f'"));
    auto attributes = MakeAttributes({{L"id", kBoth}});
    CHTMLObjectTag object(attributes.get());
    object.AddParam(new CHTMLParam(L"n\"", kBoth));
    CHtmlFileFrameset frameset;
    frameset.m_listCols.AddTail(L"1\"");
    frameset.m_listCols.AddTail(L"*");
    auto* pFrame = new CHtmlFileFrame;
    pFrame->m_strName = kBoth;
    pFrame->m_strSrc = L"s\"";
    pFrame->m_strScrolling = L"no\"";
    frameset.m_listItems.AddTail(pFrame);
    const std::pair<std::string, const char*> written[] = {
        {GenerateToBytes(tag), "<body background='p\"q.gif' text=\"a&quot;b'c\">"},
        {GenerateToBytes(link), "<link rel=\"stylesheet\" href='x.css\" onload=\"y' type=\"text/css\" />"},
        {Written<CHTMLStyleLink>(), ""},
        {Written<CHTMLImage>(kBoth, L"#m\""), "<img src=\"a&quot;b'c\" usemap='#m\"'>"},
        {Written<CHTMLImage>(nullptr, nullptr), "<img src=\"\">"},
        {Written<CHtmlFileMultimedia>(L"s\".wav", nullptr, 1, 1), "<BGSOUND SRC='s\".wav'>"},
        {Written<CHtmlFileMultimedia>(L"a.wav", nullptr, 1, -1), "<BGSOUND SRC=\"a.wav\" LOOP=\"-1\">"},
        {Written<CHtmlFileMultimedia>(L"a.wav", nullptr, 1, 0), "<BGSOUND SRC=\"a.wav\" LOOP=\"0\">"},
        {Written<CHtmlFileMultimedia>(L"v.avi", nullptr, 7, 1), "<IMG DYNSRC=\"v.avi\">"},
        {Written<CHtmlFileMultimedia>(L"v.avi", L"#m", 0, 3), "<IMG DYNSRC=\"v.avi\" LOOP=\"3\" USEMAP=\"#m\">"},
        {Written<CHtmlFileMultimedia>(L"", L"#m", 1, -1), ""},
        {Written<CHTMLTemplateTag>(L"title") + Written<CHTMLTemplateTag>(L"TiTLE"), "New TopicNew Topic"},
        {Written<CHTMLTemplateTag>(L"") + Written<CHTMLTemplateTag>(L"titles") + Written<CHTMLTemplateTag>(L"heading"), ""},
        {GenerateToBytes(map), "<MAP NAME='n\"'>\r\n<AREA SHAPE=\"rect\" COORDS=\"0,0\" HREF=\"a&quot;b'c\" ALT='t\"' "
                               "TITLE='t\"' TARGET=\"f'\">\r\n</MAP>"},
        {GenerateToBytes(object), "<OBJECT id=\"a&quot;b'c\">\r\n<param name='n\"' value=\"a&quot;b'c\" />\r\n</OBJECT>"},
        {GenerateToBytes(frameset), "<frameset cols='1\",*'>\r\n    <frame name=\"a&quot;b'c\" src='s\"' scrolling='no\"' />\r\n"
                                    "</frameset>\r\n"},
    };
    for (const auto& [bytes, pszExpected] : written) EXPECT_EQ(bytes, pszExpected);
}

TEST(ObjectTagTest, IdAndBareClsidComeFromTheChainWhichTheMapKeepsAsWritten)
{
    auto chain = MakeAttributes({{L"TYPE", L"application/x-oleobject"}, {L"ClassId", L"CLSID:1E2A"},
                                 {L"iD", L"first"}, {L"iD", L"Object1"}, {L"VIEWASTEXT", nullptr}});
    CHTMLObjectTag tag(chain.get());
    // An attribute given without a value is written back bare.
    EXPECT_NE(GenerateToBytes(tag).find(" VIEWASTEXT"), std::string::npos);
    EXPECT_EQ(GenerateToBytes(tag).find(" VIEWASTEXT="), std::string::npos);
    auto lookup = [&tag](const wchar_t* psz) { CString value = L"<absent>"; tag.LookupAttribute(psz, value); return value; };
    for (const auto& [pszName, pszValue] : {std::pair{L"ClassId", L"CLSID:1E2A"}, {L"CLASSID", L"<absent>"}, {L"VIEWASTEXT", L""}})
        EXPECT_EQ(lookup(pszName), pszValue) << WideToUtf8(pszName);
    // Setting attributes is case-sensitive and leaves Id() (the last iD)
    // and Clsid() alone.
    EXPECT_EQ(tag.SetAttribute(L"ID", L"other") + tag.SetAttribute(L"ClassId", L"clsid:c"), 2);
    EXPECT_EQ(lookup(L"iD") + L" " + lookup(L"ID"), L"Object1 other");
    EXPECT_EQ(tag.Id(), L"Object1");
    EXPECT_EQ(tag.Clsid(), L"1E2A");
    for (const auto& [pszValue, pszClsid] : {std::pair{L"{1e2a}", L"{1e2a}"}, std::pair{L"clsid:", L""},
                                             std::pair{L"clsid", L"clsid"}, std::pair{L" clsid:1", L" clsid:1"}}) {
        auto one = MakeAttributes({{L"classid", pszValue}});
        EXPECT_EQ(CHTMLObjectTag(one.get()).Clsid(), pszClsid);
    }
}

TEST(ObjectTagTest, WritesTheWholeElement)
{
    // classid (bucket 2) precedes type (bucket 11) and takes the line past
    // column 50.
    const wchar_t* const kClsid = L"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e";
    auto keyword = MakeAttributes({{L"type", L"application/x-oleobject"}, {L"classid", kClsid}});
    CHTMLObjectTag tag(keyword.get());
    tag.AddParam(new CHTMLParam(L"Keyword", L"Item1"));
    tag.AddParam(new CHTMLParam(nullptr, nullptr));
    tag.AddParam(new CHTMLParam(L"", L"v"));
    EXPECT_EQ(GenerateToBytes(tag), "<OBJECT classid=\"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\"\r\n"
                                    "        type=\"application/x-oleobject\">\r\n"
                                    "<param name=\"Keyword\" value=\"Item1\" />\r\n<param value=\"\" />\r\n"
                                    "<param name=\"\" value=\"v\" />\r\n</OBJECT>");
    // Spelled in upper case, TYPE (bucket 11) comes first and no break is due
    // before the last attribute.
    auto upper = MakeAttributes({{L"TYPE", L"application/x-oleobject"}, {L"CLASSID", kClsid}});
    CHTMLObjectTag upperTag(upper.get());
    const std::string written = GenerateToBytes(upperTag);
    EXPECT_EQ(written, "<OBJECT TYPE=\"application/x-oleobject\" CLASSID=\"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\">"
                       "\r\n</OBJECT>");
    upperTag.Delete(TRUE);
    EXPECT_EQ(GenerateToBytes(upperTag), "");
    upperTag.Delete(FALSE);
    EXPECT_EQ(GenerateToBytes(upperTag), written);
    // FindParam matches the first exact name.
    tag.AddParam(new CHTMLParam(L"Keyword", L"Item2"));
    EXPECT_STREQ(tag.FindParam(L"Keyword")->Value(), L"Item1");
    EXPECT_EQ(tag.FindParam(L"keyword"), nullptr);
    tag.RemoveAllParams();
    EXPECT_EQ(tag.GetParamHeadPosition(), nullptr);
    // Attributes are written in the order of the 17 buckets of the string
    // hash (hash * 33 + unit), the newest first within a bucket: "a" and "r"
    // share bucket 12, "b" has 13. Setting one again keeps its place.
    CHTMLObjectTag hashed;
    EXPECT_EQ(GenerateToBytes(hashed), "<OBJECT>\r\n</OBJECT>");
    for (const wchar_t* pszName : {L"b", L"a", L"r", L"a"}) hashed.SetAttribute(pszName, pszName);
    EXPECT_EQ(GenerateToBytes(hashed), "<OBJECT r=\"r\" a=\"a\" b=\"b\">\r\n</OBJECT>");
}

TEST(ObjectTagTest, BreaksOnlyPastColumnFiftyCountingUtf16Units)
{
    // " w=\"...\"" puts the column at 12 + the value's UTF-16 length; "x"
    // (bucket 1) follows "w" (bucket 0).
    const std::wstring astral = L"\U0001F600";
    for (const auto& [value, bBreak] : {std::pair{std::wstring(38, L'v'), false}, {std::wstring(39, L'v'), true},
                                        {std::wstring(36, L'v') + astral, false}, {std::wstring(37, L'v') + astral, true}}) {
        CHTMLObjectTag tag;
        tag.SetAttribute(L"x", L"1");
        tag.SetAttribute(L"w", value.c_str());
        EXPECT_EQ(GenerateToBytes(tag), "<OBJECT w=\"" + WideToUtf8(value.c_str()) + "\"" + (bBreak ? "\r\n       " : "") +
                                            " x=\"1\">\r\n</OBJECT>")
            << value.size();
    }
}

// A toolbar picture's map as a help topic records it: target, then area.
// Each area is written on a line of its own; FindMapArea matches whole
// coordinates exactly; a copy is deep, and removing the areas keeps the
// targets.
TEST(MapTest, WritesFindsAndCopies)
{
    auto map = std::make_unique<CHTMLMap>(L"toolbar");
    map->AddTarget(L"open.htm");
    map->AddMapArea(new CHTMLMapArea(L"rect", L"0,0,16,16", L"open.htm", L"Open a file", L"main"));
    map->AddTarget(L"save.htm");
    map->AddMapArea(new CHTMLMapArea(L"RECT", L"16,0,32,16", L"save.htm?a=\"1\"&b", nullptr, nullptr));
    const std::string strWritten = "<MAP NAME=\"toolbar\">\r\n<AREA SHAPE=\"rect\" COORDS=\"0,0,16,16\" HREF=\"open.htm\" "
                                   "ALT=\"Open a file\" TITLE=\"Open a file\" TARGET=\"main\">\r\n"
                                   "<AREA SHAPE=\"RECT\" COORDS=\"16,0,32,16\" HREF='save.htm?a=\"1\"&b'>\r\n</MAP>";
    EXPECT_EQ(GenerateToBytes(*map), strWritten);
    CHTMLMap empty(nullptr); // written as <MAP NAME="">, as its copy's copy shows
    // A field given empty (as read from `href=""`) is written empty; a null one is absent.
    EXPECT_EQ(Written<CHTMLMapArea>(nullptr, nullptr, nullptr, nullptr, nullptr), "<AREA>\r\n");
    CHTMLMapArea given(L"", nullptr, L"", nullptr, L"");
    CHTMLMap copied(empty);
    copied.AddMapArea(new CHTMLMapArea(given));
    CHTMLMap copyOfCopied(copied);
    EXPECT_EQ(GenerateToBytes(copyOfCopied), "<MAP NAME=\"\">\r\n<AREA SHAPE=\"\" HREF=\"\" TARGET=\"\">\r\n</MAP>");

    EXPECT_STREQ(map->FindMapArea(L"16,0,32,16") ? map->FindMapArea(L"16,0,32,16")->Shape() : L"none", L"RECT");
    for (const wchar_t* pszCoords : {L"16, 0, 32, 16", L"16,0,32", L"16,0,32,16 ", L"", L"save.htm", L"RECT"})
        EXPECT_EQ(map->FindMapArea(pszCoords), nullptr);

    map->m_nBegin = 120;
    map->m_nEnd = 300;
    CHTMLMap copy(*map); // a copy is no recorded element: no positions
    EXPECT_EQ(std::pair(copy.m_nBegin, copy.m_nEnd), std::pair(0, 0));
    map->RemoveAllMapAreas();
    EXPECT_EQ(map->GetMapAreaHeadPosition(), nullptr);
    EXPECT_EQ(GenerateToBytes(*map), "<MAP NAME=\"toolbar\">\r\n</MAP>");
    POSITION pos = map->GetTargetHeadPosition();
    EXPECT_STREQ(map->GetNextTarget(pos), L"open.htm");
    map.reset(); // the copy's areas and targets are its own
    EXPECT_EQ(GenerateToBytes(copy), strWritten);
    pos = copy.GetTargetHeadPosition();
    EXPECT_STREQ(copy.GetNextTarget(pos), L"open.htm");
    EXPECT_STREQ(copy.GetNextTarget(pos), L"save.htm");
}

} // namespace
