#include "support/AttributeChain.h"
#include "support/GenerateText.h"

#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/markup/HtmlTemplateTag.h>
#include <htmlfile/outside/KvuuStdioFile.h>

#include <gtest/gtest.h>

namespace {

TEST(TagTest, WritesAttributesWithAValueInChainOrderAsSpelled)
{
    auto chain = MakeAttributes({{L"BGCOLOR", L"#fff"}, {L"nowrap", nullptr}, {L"text", L""}, {L"Link", L"a\"b"}});
    CHTMLTag tag(L"Body", chain.release(), 1, 2);
    EXPECT_EQ(GenerateToBytes(tag), "<Body BGCOLOR=\"#fff\" Link=\"a\"b\">");
    CHTMLEndTag end(L"FoNt", 5, 11);
    EXPECT_EQ(GenerateToBytes(end), "</FoNt>");
}

TEST(TagTest, GetAttributeIgnoresCaseAndGivesTheNameOfAValuelessAttribute)
{
    CHTMLTag tag(L"body", MakeAttributes({{L"BgColor", L"red"}, {L"bgproperties", nullptr}}).release(), 0, 0);
    EXPECT_STREQ(tag.GetAttribute(L"bgcolor"), L"red");
    EXPECT_STREQ(tag.GetAttribute(L"BGPROPERTIES"), L"bgproperties");
    EXPECT_EQ(tag.GetAttribute(L"text"), nullptr);
    EXPECT_EQ(tag.GetAttribute(L""), nullptr);
    EXPECT_EQ(CHTMLTag(L"body", nullptr, 0, 0).GetAttribute(L"bgcolor"), nullptr);
}

TEST(TagTest, SetAttributeReplacesAppendsOrRefuses)
{
    CHTMLTag tag(L"body", MakeAttributes({{L"TEXT", L"#000000"}, {L"link", L"blue"}}).release(), 0, 0);
    EXPECT_EQ(tag.SetAttribute(L"text", L"#ffffff"), 1);
    EXPECT_EQ(tag.SetAttribute(L"link", L""), 1); // kept, but no longer written
    EXPECT_EQ(tag.SetAttribute(L"vlink", L""), 0);
    EXPECT_EQ(tag.SetAttribute(L"vlink", nullptr), 0);
    EXPECT_EQ(tag.SetAttribute(L"", L"x"), 0);
    EXPECT_EQ(tag.SetAttribute(L"bgcolor", L"#0080ff"), 1);
    EXPECT_STREQ(tag.GetAttribute(L"link"), L"");
    EXPECT_EQ(GenerateToBytes(tag), "<body TEXT=\"#ffffff\" bgcolor=\"#0080ff\">");
    EXPECT_EQ(tag.SetAttribute(L"TEXT", nullptr), 1);
    EXPECT_STREQ(tag.GetAttribute(L"text"), L"TEXT");

    CHTMLTag bare(L"body", nullptr, 0, 0);
    EXPECT_EQ(bare.SetAttribute(L"alink", L"red"), 1);
    EXPECT_EQ(GenerateToBytes(bare), "<body alink=\"red\">");
}

TEST(TitleTest, EscapesAmpersandsOnlyOnce)
{
    const struct {
        const wchar_t* pszTitle;
        const char* pszWritten;
    } cases[] = {
        {L"", "<title></title>"},
        {L"A & B", "<title>A &amp; B</title>"},
        {L"A &amp; B", "<title>A &amp; B</title>"},
        {L"A &AMP; B", "<title>A &amp; B</title>"},
        {L"&&amp", "<title>&amp;&amp;amp</title>"},
        {L"ends &", "<title>ends &amp;</title>"},
        {L"&lt;b&gt; \"q\" <i>", "<title>&amp;lt;b&amp;gt; \"q\" <i></title>"},
    };
    for (const auto& c : cases) {
        CHTMLTitle title;
        title.m_strTitle = c.pszTitle;
        EXPECT_EQ(GenerateToBytes(title), c.pszWritten);
    }
}

TEST(SimpleElementTest, StyleLinkAndImage)
{
    CHTMLStyleLink link;
    EXPECT_EQ(GenerateToBytes(link), "");
    link.m_strHref = L"../css/help.css";
    EXPECT_EQ(GenerateToBytes(link), "<link rel=\"stylesheet\" href=\"../css/help.css\" type=\"text/css\" />");

    CHTMLImage bare(nullptr, nullptr);
    EXPECT_EQ(GenerateToBytes(bare), "<img src=\"\">");
    CHTMLImage mapped(L"pic.gif", L"#nav");
    EXPECT_EQ(GenerateToBytes(mapped), "<img src=\"pic.gif\" usemap=\"#nav\">");
}

TEST(MultimediaTest, WritesLoopOnlyWhenNotOnce)
{
    const struct {
        const wchar_t* pszSrc;
        const wchar_t* pszUseMap;
        int nType;
        int nLoop;
        const char* pszWritten;
    } cases[] = {
        {L"a.wav", nullptr, 1, 1, "<BGSOUND SRC=\"a.wav\">"},
        {L"a.wav", nullptr, 1, -1, "<BGSOUND SRC=\"a.wav\" LOOP=\"-1\">"},
        {L"a.wav", nullptr, 1, 0, "<BGSOUND SRC=\"a.wav\" LOOP=\"0\">"},
        {L"v.avi", L"#m", 0, 3, "<IMG DYNSRC=\"v.avi\" LOOP=\"3\" USEMAP=\"#m\">"},
        {L"v.avi", nullptr, 7, 1, "<IMG DYNSRC=\"v.avi\">"},
        {L"", L"#m", 1, -1, ""},
    };
    for (const auto& c : cases) {
        CHtmlFileMultimedia media(c.pszSrc, c.pszUseMap, c.nType, c.nLoop);
        EXPECT_EQ(GenerateToBytes(media), c.pszWritten);
    }
}

TEST(WriteTextTest, AFailedWriteIsSwallowedByTheWriterAndReportedByTheFile)
{
    TempDir dir;
    CHTMLEndTag tag(L"p", 0, 0);
    CkvuuStdioFile file(dir.WideFile("out.htm").c_str(), CFile::modeCreate | CFile::modeWrite);
    htmlfile_testing::FailNthWrite(2);
    EXPECT_EQ(tag.Generate(&file), 1);
    htmlfile_testing::ResetFaults();
    EXPECT_THROW(file.Close(), CFileException);
}

TEST(TemplateTagTest, OnlyTitleInAnyCaseWritesAndWithoutDocumentItIsNewTopic)
{
    for (const wchar_t* pszName : {L"title", L"Title", L"TITLE"}) {
        CHTMLTemplateTag tag(pszName);
        EXPECT_EQ(GenerateToBytes(tag), "New Topic");
    }
    for (const wchar_t* pszName : {L"", L"titles", L"heading"}) {
        CHTMLTemplateTag tag(pszName);
        EXPECT_EQ(GenerateToBytes(tag), "");
    }
}

} // namespace
