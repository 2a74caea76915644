// What the parse records from a topic: document-level tags, links, media,
// image maps, embedded objects and frame pages, and what a save then
// rewrites (Topic::Save also holds every save to the round-trip checker).
#include <support/Helpers.h>

#include <gtest/gtest.h>

namespace {

template <class Next>
std::vector<std::wstring> Collect(POSITION pos, Next next)
{
    std::vector<std::wstring> items;
    while (pos) items.push_back(next(pos));
    return items;
}

} // namespace

TEST(DocumentRecognition, DocumentLevelTagsInAnyCase)
{
    Topic topic("<HTML><Title>Caf&eacute; &amp; Bar</Title><LINK REL=icon HREF=favicon.ico><link rel=stylesheet href=a.css>"
                "<Meta NAME=TEMPLATE pattern=Title><meta name=template><Body BGCOLOR=#00FF00 bgproperties=FIXED background>"
                "</Body></HTML>");
    EXPECT_TRUE(topic.doc.IsValid());
    EXPECT_STREQ(L"Caf\u00E9 & Bar", topic.doc.GetTitle());
    // Only a link whose rel names a style sheet counts: the icon stays as it stands.
    EXPECT_STREQ(L"a.css", topic.doc.GetStyleSheet());
    EXPECT_EQ(0x0000FF00u, topic.doc.GetBgColor());
    EXPECT_TRUE(topic.doc.GetWaterMark());
    EXPECT_STREQ(L"background", topic.doc.GetBgImage());
    EXPECT_EQ("<HTML><title>Caf\xC3\xA9 &amp; Bar</title><LINK REL=icon HREF=favicon.ico>"
              "<link rel=\"stylesheet\" href=\"a.css\" type=\"text/css\" />Caf\xC3\xA9 &amp; Bar<meta name=template>"
              "<Body BGCOLOR=\"#00FF00\" bgproperties=\"FIXED\" background></Body></HTML>",
              topic.Save());
}

// The style sheet is the first link whose rel holds the token "stylesheet"
// (any case, white-space separated); other links and later style sheets
// stay as they stand, and a recorded one keeps its rel and other attributes.
TEST(DocumentRecognition, TheFirstStyleSheetLinkIsTheStyleSheet)
{
    const std::pair<const char*, bool> rels[] = {
        {"stylesheet", true},       {"STYLESHEET", true},     {"'alternate stylesheet'", true},
        {"\"a\tStyleSheet\n\"", true}, {"icon", false},          {"'shortcut icon'", false},
        {"next", false},             {"stylesheets", false},   {"'style sheet'", false},
        {"\"\"", false},             {"", false},
    };
    for (const auto& [pszRel, bStyleSheet] : rels) {
        const std::string strLink = std::string("<link rel") + (*pszRel ? "=" : "") + pszRel + " href=s.css>";
        Topic topic("<head>" + strLink + "</head>");
        EXPECT_STREQ(bStyleSheet ? L"s.css" : L"", topic.doc.GetStyleSheet()) << strLink;
        if (!bStyleSheet) {
            EXPECT_EQ("<head>" + strLink + "</head>", topic.Save()) << strLink;
        }
    }

    Topic topic("<link rel=icon href=favicon.ico><link rel=next href=page2.htm>\r\n"
                "<LINK REL=\"Alternate StyleSheet\" media=print HREF=print.css title='Print \"me\"' disabled charset=\"\" "
                "type=text/x-css><link rel=stylesheet href=second.css>");
    EXPECT_STREQ(L"print.css", topic.doc.GetStyleSheet());
    ASSERT_TRUE(topic.doc.SetStyleSheet(L"new.css"));
    EXPECT_EQ("<link rel=icon href=favicon.ico><link rel=next href=page2.htm>\r\n"
              "<link rel=\"Alternate StyleSheet\" href=\"new.css\" type=\"text/css\" media=\"print\" title='Print \"me\"' "
              "disabled charset=\"\" /><link rel=stylesheet href=second.css>",
              topic.Save());
    EXPECT_STREQ(L"new.css", topic.doc.GetStyleSheet());
}

// The title is the first title element outside svg and math: a diagram's
// own title is neither read nor rewritten, before or after the page's.
TEST(DocumentRecognition, TheTitleIsThePagesFirstTitle)
{
    const std::pair<const char*, const char*> pages[] = {
        {"<head><title>Page</title></head><body><svg><title id=diagramTitle>Diagram</title></svg><title>Late</title>",
         "<head><title>New</title></head><body><svg><title id=diagramTitle>Diagram</title></svg><title>Late</title>"},
        {"<SVG viewBox=\"0 0 1 1\"><svg><title>Inner</title></svg><title>Outer</title></SVG><title>Page</title>",
         "<SVG viewBox=\"0 0 1 1\"><svg><title>Inner</title></svg><title>Outer</title></SVG><title>New</title>"},
        {"<math><mi><title>M</title></mi></math></svg><title>Page</title>",
         "<math><mi><title>M</title></mi></math></svg><title>New</title>"},
    };
    for (const auto& [pszPage, pszSaved] : pages) {
        Topic topic(pszPage);
        EXPECT_STREQ(L"Page", topic.doc.GetTitle()) << pszPage;
        ASSERT_TRUE(topic.doc.SetTitle(L"New"));
        EXPECT_EQ(pszSaved, topic.Save()) << pszPage;
    }
}

TEST(DocumentRecognition, LinksBookmarksImagesAndMultimedia)
{
    Topic topic("<a name=top></a><a href=a.htm name=n2>x</a><a name>y</a><a href=a.htm>z</a>"
                "<img src=i.gif usemap=#m><img dynsrc=v.avi loop=INFINITE><img dynsrc=w.avi loop=3>"
                "<img dynsrc=x.avi loop=junk><img src=both.gif dynsrc=both.avi><img alt=none>"
                "<bgsound loop=5><bgsound src=s.wav>");
    CHtmlFile& doc = topic.doc;
    EXPECT_EQ((std::vector<std::wstring>{L"top", L"n2", L"name"}),
              Collect(doc.GetBookmarkHeadPosition(), [&](POSITION& p) { return doc.GetNextBookmark(p); }));
    EXPECT_EQ((std::vector<std::wstring>{L"a.htm", L"a.htm"}),
              Collect(doc.GetLinkHeadPosition(), [&](POSITION& p) { return doc.GetNextLink(p); }));
    EXPECT_EQ((std::vector<std::wstring>{L"i.gif|#m", L"both.gif|"}), Collect(doc.GetImageHeadPosition(), [&](POSITION& p) {
                  CHTMLImage* i = doc.GetNextImage(p);
                  return std::wstring(i->m_strSrc) + L"|" + std::wstring(i->m_strUseMap);
              }));
    EXPECT_EQ((std::vector<std::wstring>{L"v.avi 0 -1", L"w.avi 0 3", L"x.avi 0 0", L"s.wav 1 1"}),
              Collect(doc.GetMultimediaHeadPosition(), [&](POSITION& p) {
                  CHtmlFileMultimedia* m = doc.GetNextMultimedia(p);
                  return std::wstring(m->m_strSrc) + L" " + std::to_wstring(m->m_nType) + L" " + std::to_wstring(m->m_nLoop);
              }));
    int nLoop = 0;
    EXPECT_STREQ(L"s.wav", doc.GetBgSound(&nLoop));
    EXPECT_EQ(1, nLoop);
}

TEST(DocumentRecognition, MapsWithAreasAndTheirFinds)
{
    Topic topic("<area href=before.htm><map name=Nav>\r\n  <area shape=rect coords=\"0,0,10,10\" href=a.htm title=\"Go A\" "
                "target=main>\r\n  <!-- c --><area nohref>\r\n  <area shape=circle coords=5,5,5 href=b.htm>\r\n</map>"
                "<area href=after.htm>");
    ASSERT_EQ(1, topic.doc.GetNumMaps());
    EXPECT_EQ(nullptr, topic.doc.FindMap(L"nav"));
    CHTMLMap* pMap = topic.doc.FindMap(L"Nav");
    ASSERT_NE(nullptr, pMap);
    EXPECT_NE(nullptr, pMap->FindMapArea(L"5,5,5"));
    EXPECT_EQ((std::vector<std::wstring>{L"a.htm", L"b.htm"}),
              Collect(pMap->GetTargetHeadPosition(), [&](POSITION& p) { return pMap->GetNextTarget(p); }));
    // Text, comments and areas without href inside the map are not kept.
    EXPECT_EQ("<area href=before.htm><MAP NAME=\"Nav\">\r\n"
              "<AREA SHAPE=\"rect\" COORDS=\"0,0,10,10\" HREF=\"a.htm\" ALT=\"Go A\" TITLE=\"Go A\" TARGET=\"main\">\r\n"
              "<AREA SHAPE=\"circle\" COORDS=\"5,5,5\" HREF=\"b.htm\">\r\n</MAP><area href=after.htm>",
              topic.Save());
}

TEST(DocumentRecognition, ObjectsWithParamsAndTheDiscardRule)
{
    Topic topic("<object id=Kw type=\"application/x-oleobject\" classid=\"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\">\r\n"
                "\t<param name=\"Keyword\" value=\"printing\">\r\n\t<param name=\"Item1\" value=\"\">\r\n"
                "\t<br><param value=nameless>\r\n</object>\r\n"
                "<object id=gone><param name=a value=b><embed src=x.swf></object>\r\n<object>bare</object>");
    ASSERT_EQ(1, topic.doc.GetNumObjectTags());
    CHTMLObjectTag* pObject = topic.doc.FindObjectTagByClsid(L"1E2A7BD0-DAB9-11D0-B93A-00C04FC99F9E");
    ASSERT_NE(nullptr, pObject);
    EXPECT_EQ(pObject, topic.doc.FindObjectTagById(L"kw"));
    EXPECT_EQ(nullptr, topic.doc.FindObjectTagByClsid(L"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e"));
    ASSERT_NE(nullptr, pObject->FindParam(L"Item1"));
    EXPECT_STREQ(L"", pObject->FindParam(L"Item1")->Value());
    pObject->Delete(TRUE);
    EXPECT_EQ(nullptr, topic.doc.FindObjectTagById(L"Kw"));
    EXPECT_EQ(1, topic.doc.GetNumObjectTags());
    EXPECT_EQ("\r\n<object id=gone><param name=a value=b><embed src=x.swf></object>\r\n<object>bare</object>", topic.Save());
}

TEST(DocumentRecognition, FramePageTreeAndItsRewrite)
{
    Topic topic("<html><head><title>F</title></head>\r\n<frameset cols=\"30%, 70%\" border=2 bordercolor=red>\r\n"
                "  <frame name=toc src=toc.htm noresize frameborder=yes>\r\n"
                "  <frameset rows=\"60,*\">\r\n    <frame src=a.htm scrolling=no><frame src=b.htm>\r\n  </frameset>\r\n"
                "  <noframes><body bgcolor=white><p>No frames</p></body></noframes>\r\n</frameset>\r\n</html>\r\n");
    ASSERT_EQ(1, topic.doc.GetFramesetCount());
    POSITION pos = topic.doc.GetFramesetHeadPosition();
    CHtmlFileFrameset* pOuter = topic.doc.GetNextFrameset(pos);
    EXPECT_EQ(nullptr, pos);
    ASSERT_EQ(2, pOuter->m_listItems.GetCount());
    auto* pToc = static_cast<CHtmlFileFrame*>(pOuter->m_listItems.GetHead());
    EXPECT_EQ(30, pToc->m_nWidth);
    EXPECT_TRUE(pToc->m_bNoResize);
    auto* pInner = static_cast<CHtmlFileFrameset*>(pOuter->m_listItems.GetTail());
    EXPECT_EQ(70, pInner->m_nWidth);
    EXPECT_EQ(0x000000FFu, pOuter->m_crBorderColor);
    // The body inside noframes is recorded, but the frameset replaces the
    // whole span it lies in.
    EXPECT_EQ(0x00FFFFFFu, topic.doc.GetBgColor());
    EXPECT_EQ("<html><head><title>F</title></head>\r\n<frameset cols=\"30%,70%\">\r\n"
              "    <frame name=\"toc\" src=\"toc.htm\" frameborder=\"1\" noresize=\"noresize\" scrolling=\"auto\" />\r\n"
              "    <frameset rows=\"60,*\">\r\n        <frame src=\"a.htm\" scrolling=\"no\" />\r\n"
              "        <frame src=\"b.htm\" scrolling=\"auto\" />\r\n    </frameset>\r\n</frameset>\r\n</html>\r\n",
              topic.Save());
}

// A frameset added goes before the body; once saved and read back it is
// recorded. (Replacing one with SetFrameset: DocumentSave.SavingOnlyWhatChanged...)
TEST(DocumentRecognition, SetAndAddFrameset)
{
    Topic topic("<html>\r\n<body>\r\n<p>x</p>\r\n</body>\r\n</html>");
    auto* pNew = new CHtmlFileFrameset;
    EXPECT_EQ(0, topic.doc.SetFrameset(pNew)); // no frameset to replace
    ASSERT_EQ(1, topic.doc.AddFrameset(pNew));
    pNew->m_listCols.AddTail(L"30%");
    pNew->m_listCols.AddTail(L"70%");
    pNew->m_listItems.AddTail(new CHtmlFileFrame);
    EXPECT_EQ("<html>\r\n<frameset cols=\"30%,70%\">\r\n    <frame scrolling=\"auto\" />\r\n</frameset>\r\n\r\n"
              "<body>\r\n<p>x</p>\r\n</body>\r\n</html>",
              topic.Save());
    EXPECT_EQ(1, topic.doc.GetFramesetCount());
}
