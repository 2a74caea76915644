// The round-trip checker itself: it expects exactly the bytes its rules
// give, written out by hand here, and it catches every kind of damage a
// save could do.
#include <support/GenerateText.h>
#include <support/RoundTrip.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Prepared {
    TempDir dir;
    std::unique_ptr<RoundTripDocument> doc;
};

std::unique_ptr<Prepared> Open(const std::string& strBytes, DWORD dwFlags = PARSE_ALL)
{
    auto prepared = std::make_unique<Prepared>();
    WriteFileBytes(prepared->dir.File("t.htm"), strBytes);
    prepared->doc = std::make_unique<RoundTripDocument>(prepared->dir.WideFile("t.htm").c_str(), dwFlags);
    return prepared;
}

CHtmlFileFrameset* TwoFrames()
{
    auto* pFrameset = new CHtmlFileFrameset;
    CString strCols(L"30%,70%"), strRows;
    pFrameset->SetSizes(strCols, strRows);
    for (const wchar_t* pszSrc : {L"toc.htm", L"main.htm"}) {
        auto* pFrame = new CHtmlFileFrame;
        pFrame->m_strSrc = pszSrc;
        pFrameset->m_listItems.AddTail(pFrame);
    }
    return pFrameset;
}

} // namespace

TEST(RoundTripChecker, ExpectsWhatItsRulesGive)
{
    struct Case {
        const char* pszName;
        std::string strInput;
        DWORD dwFlags;
        std::function<void(CHtmlFile&)> edit;
        std::string strExpected;
    };
    const Case cases[] = {
        {"elements rewritten, text kept", "<TITLE>a</TITLE>\r\n<Body BGCOLOR=red>x", PARSE_ALL, nullptr,
         "<title>a</title>\r\n<Body BGCOLOR=\"red\">x"},
        // The map never ends: left out, and the object inserted before it
        // in the list goes after the old text.
        {"inserted before a left-out element", "<title>a</title><map name=m><area href=x>",
         PARSE_ALL & ~PARSE_FRAMESETS,
         [](CHtmlFile& d) {
             auto* p = new CHTMLObjectTag;
             p->SetAttribute(L"id", L"o");
             d.InsertObjectTag(p);
         },
         "<title>a</title><map name=m><area href=x><OBJECT id=\"o\">\r\n</OBJECT>\r\n"},
        // The body tag inside the frameset is left out; the frameset added
        // before it in the list goes before the frameset that covers it.
        {"inserted before a covered element",
         "<frameset cols=\"1,2\"><frame src=a><noframes><body id=b></noframes></frameset>!", PARSE_ALL,
         [](CHtmlFile& d) { d.AddFrameset(TwoFrames()); },
         "<frameset cols=\"30%,70%\">\r\n    <frame src=\"toc.htm\" scrolling=\"auto\" />\r\n"
         "    <frame src=\"main.htm\" scrolling=\"auto\" />\r\n</frameset>\r\n\r\n"
         "<frameset cols=\"1,2\">\r\n    <frame src=\"a\" scrolling=\"auto\" />\r\n</frameset>\r\n!"},
        {"UTF-16 with mark", std::string("\xFF\xFE<\0b\0o\0d\0y\0 \0x\0=\0""1\0>\0\xE9\0", 24), PARSE_ALL, nullptr,
         std::string("\xFF\xFE<\0b\0o\0d\0y\0 \0x\0=\0\"\0""1\0\"\0>\0\xE9\0", 28)},
    };
    for (const Case& c : cases) {
        auto prepared = Open(c.strInput, c.dwFlags);
        if (c.edit) c.edit(*prepared->doc);
        const auto expectation =
            RoundTripExpectation::Capture(*prepared->doc, prepared->dir.WideFile("saved.htm"));
        EXPECT_EQ(c.strExpected, expectation.ExpectedBytes()) << c.pszName;
    }
}

TEST(RoundTripChecker, CatchesEveryKindOfDamage)
{
    const std::string strInput = "\xEF\xBB\xBF<title>a</title>\r\n<p>caf\xC3\xA9</p>\r\n<body bgcolor=red>\r\n";
    auto prepared = Open(strInput);
    const auto expectation = RoundTripExpectation::Capture(*prepared->doc, prepared->dir.WideFile("saved.htm"));
    const std::string strGood = expectation.ExpectedBytes();
    ASSERT_EQ("\xEF\xBB\xBF<title>a</title>\r\n<p>caf\xC3\xA9</p>\r\n<body bgcolor=\"red\">\r\n", strGood);
    EXPECT_EQ("", expectation.Check(strGood));

    struct Damage {
        const char* pszName;
        std::function<std::string(std::string)> apply;
        const char* pszPiece; // named in the message
    };
    const Damage damages[] = {
        {"mark dropped", [](std::string s) { return s.substr(3); }, "byte-order mark"},
        {"copied byte changed", [](std::string s) { return s.replace(s.find("caf"), 1, "k"); }, "old text"},
        {"text repeated", [](std::string s) { return s.insert(s.find("<p>"), "\r\n"); }, "old text"},
        {"text lost", [](std::string s) { return s.erase(s.find("\xC3"), 2); }, "old text"},
        {"element as it stood", [](std::string s) { return s.replace(s.find("\"red\""), 5, "red"); }, "start tag"},
        {"tail lost", [](std::string s) { return s.substr(0, s.size() - 2); }, "old text"},
        {"text added at the end", [](std::string s) { return s + "x"; }, "end of the expected text"},
    };
    for (const Damage& damage : damages) {
        const std::string strMessage = expectation.Check(damage.apply(strGood));
        EXPECT_NE(std::string::npos, strMessage.find(damage.pszPiece)) << damage.pszName << ": " << strMessage;
    }
}
