// The round-trip checker itself: it expects exactly the bytes its rules
// give, written out by hand here, and it catches every kind of damage a
// save could do.
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <functional>

TEST(RoundTripChecker, ExpectsWhatItsRulesGive)
{
    const std::tuple<std::string, DWORD, std::function<void(CHtmlFile&)>, std::string> cases[] = {
        // Elements rewritten, text kept.
        {"<TITLE>a</TITLE>\r\n<Body BGCOLOR=red>x", PARSE_ALL, nullptr, "<title>a</title>\r\n<Body BGCOLOR=\"red\">x"},
        // The map never ends: left out, and the map inserted before it in
        // the list goes after the old text.
        {"<title>a</title><map name=m><area href=x>", PARSE_ALL & ~PARSE_FRAMESETS,
         [](CHtmlFile& d) { d.InsertMap(new CHTMLMap(L"n")); },
         "<title>a</title><map name=m><area href=x><MAP NAME=\"n\">\r\n</MAP>\r\n"},
        // The body tag inside the frameset is left out; the frameset added
        // before it in the list goes before the frameset that covers it.
        {"<frameset cols=\"1,2\"><frame src=a><noframes><body id=b></noframes></frameset>!", PARSE_ALL,
         [](CHtmlFile& d) { d.AddFrameset(new CHtmlFileFrameset); },
         "<frameset>\r\n</frameset>\r\n\r\n<frameset cols=\"1,2\">\r\n    <frame src=\"a\" scrolling=\"auto\" />\r\n"
         "</frameset>\r\n!"},
        // A byte the decoder rejects right before an element's "<" is kept:
        // the decoder knows it for an error only with the "<" in view.
        {"<meta charset=shift_jis>\x81<body x=1>", PARSE_ALL, nullptr, "<meta charset=shift_jis>\x81<body x=\"1\">"},
        {"<meta charset=gbk>\x81<body x=1>\x81", PARSE_ALL, nullptr, "<meta charset=gbk>\x81<body x=\"1\">\x81"},
        {"<meta charset=utf-8>caf\xE9<body x=1>", PARSE_ALL, nullptr, "<meta charset=utf-8>caf\xE9<body x=\"1\">"},
        // UTF-16 with its mark.
        {std::string("\xFF\xFE<\0b\0o\0d\0y\0 \0x\0=\0""1\0>\0\xE9\0", 24), PARSE_ALL, nullptr,
         std::string("\xFF\xFE<\0b\0o\0d\0y\0 \0x\0=\0\"\0""1\0\"\0>\0\xE9\0", 28)},
    };
    for (const auto& [strInput, dwFlags, edit, strExpected] : cases) {
        Topic topic(strInput, dwFlags);
        if (edit) edit(topic.doc);
        EXPECT_EQ(strExpected, RoundTripExpectation::Capture(topic.doc, topic.dir.WideFile("out.htm")).ExpectedBytes());
    }
}

TEST(RoundTripChecker, CatchesEveryKindOfDamage)
{
    Topic topic("\xEF\xBB\xBF<title>a</title>\r\n<p>caf\xC3\xA9</p>\r\n<body bgcolor=red>\r\n");
    const auto expectation = RoundTripExpectation::Capture(topic.doc, topic.dir.WideFile("out.htm"));
    const std::string strGood = expectation.ExpectedBytes();
    ASSERT_EQ("\xEF\xBB\xBF<title>a</title>\r\n<p>caf\xC3\xA9</p>\r\n<body bgcolor=\"red\">\r\n", strGood);
    EXPECT_EQ("", expectation.Check(strGood));
    const std::function<std::string(std::string)> damages[] = {
        [](std::string s) { return s.substr(3); },                          // the mark dropped
        [](std::string s) { return s.replace(s.find("caf"), 1, "k"); },     // a byte of old text changed
        [](std::string s) { return s.insert(s.find("<p>"), "\r\n"); },      // old text repeated
        [](std::string s) { return s.erase(s.find("\xC3"), 2); },           // old text lost
        [](std::string s) { return s.replace(s.find("\"red\""), 5, "red"); }, // an element left as it stood
        [](std::string s) { return s.substr(0, s.size() - 2); },            // the tail lost
        [](std::string s) { return s + "x"; },                              // text added at the end
    };
    for (const auto& damage : damages) EXPECT_NE("", expectation.Check(damage(strGood))) << damage(strGood);
}
