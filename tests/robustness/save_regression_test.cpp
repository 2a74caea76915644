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

// In a file marked as UTF-8, bytes that begin no well-formed sequence used
// to read as U+FFFD and were written back as EF BF BD, changing text the
// library never recorded.
TEST(SaveRegression, StrayBytesInAMarkedUtf8FileKeepTheirBytes)
{
    Topic topic("\xEF\xBB\xBF<title>Alt</title><p>caf\xE9 \xE2\x82 \xFF \xC3\xA9</p>");
    topic.doc.SetTitle(L"Neu");
    EXPECT_EQ("\xEF\xBB\xBF<title>Neu</title><p>caf\xE9 \xE2\x82 \xFF \xC3\xA9</p>", topic.Save());
    // Inside a recorded element, written anew, the byte survives as well.
    EXPECT_EQ("\xEF\xBB\xBF<body title=\"\xE9\">", Topic("\xEF\xBB\xBF<body title=\xE9>").Save());
}
