// Defects the round-trip checks found, each pinned down with the exact
// bytes a save must write.
#include <support/Helpers.h>

#include <gtest/gtest.h>

// A stray title end tag later in the file used to stretch the title's span
// up to it, and the save replaced everything in between (head, objects,
// body tag, text) by the title element.
TEST(SaveRegression, AStrayTitleEndTagDoesNotSwallowTheTextBeforeIt)
{
    Topic topic("<TITLE>Old</TITLE>\n<link rel=stylesheet href=s.css><body bgcolor=red>\n<p>text</p></title></body>");
    EXPECT_STREQ(L"Old", topic.doc.GetTitle()) << "the stray end tag does not empty the title either";
    topic.doc.SetTitle(L"New");
    EXPECT_EQ("<title>New</title>\n<link rel=\"stylesheet\" href=\"s.css\" type=\"text/css\" />"
              "<body bgcolor=\"red\">\n<p>text</p></title></body>",
              topic.Save());
    // Before any title start tag, it records nothing.
    Topic before("</title><p>x</p><TITLE>T</TITLE>");
    EXPECT_STREQ(L"T", before.doc.GetTitle());
    EXPECT_EQ("</title><p>x</p><title>T</title>", before.Save());
}

// A rewritten frame layout reads one unit past its span, to see whether a
// line end follows. When that unit begins an element left as it was read,
// with a map inserted before it, the unit comes after the map, not before.
TEST(SaveRegression, TheUnitReadAfterAFrameLayoutStaysWithTheElementItBegins)
{
    const std::string layout = "<frameset cols=\"50%,50%\"><frame src=a.htm><frame src=b.htm></frameset>";
    Topic topic("<html>" + layout + "<map name=m></map></html>", PARSE_ALL | SAVE_CHANGED_ONLY);
    auto* pLayout = new CHtmlFileFrameset();
    const std::string written = GenerateToBytes(*pLayout);
    ASSERT_EQ(1, topic.doc.SetFrameset(pLayout));
    ASSERT_TRUE(topic.doc.InsertMap(new CHTMLMap(L"n")));
    EXPECT_EQ("<html>" + written + "<MAP NAME=\"n\">\r\n</MAP>\r\n<map name=m></map></html>", topic.Save("t.htm"));
}

// "<body a/=b>" gives a bare "a" and an attribute named "=b". Written back as
// "a =b", the next read takes "b" for a's value: a bare attribute before a
// name that begins with '=' is written with an empty value, which means the
// same. Found by the document fuzzer.
TEST(SaveRegression, ABareAttributeBeforeANameThatBeginsWithEqualsStaysBare)
{
    Topic topic("<html><body a/=b>x</body></html>");
    ASSERT_TRUE(topic.doc.SetBgColor(0x000000FF));
    EXPECT_EQ("<html><body a=\"\" =b bgcolor=\"#ff0000\">x</body></html>", topic.Save("t.htm"));
    EXPECT_EQ("<html><body a=\"\" =b bgcolor=\"#ff0000\">x</body></html>", topic.Save("t.htm")); // read back, the same
}
