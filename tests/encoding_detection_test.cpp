// How a topic's encoding is found (mark, caller, declaration, UTF-8 check,
// windows-1252) and that bytes no decoder takes survive a save, with every
// recorded position still on its tag.
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(EncodingDetection, MarkThenDeclarationThenUtf8ThenWindows1252)
{
    const std::string kText = "<title>T</title>";
    const struct {
        std::string bytes;
        const wchar_t* pszEncoding;
        const wchar_t* pszSource;
    } cases[] = {
        {"\xEF\xBB\xBF<meta charset=shift_jis>" + kText, L"UTF-8", L"byte-order mark"},
        {std::string("\xFF\xFE<\0p\0>\0", 8), L"UTF-16LE", L"byte-order mark"},
        {std::string("\xFE\xFF\0<\0p\0>", 8), L"UTF-16BE", L"byte-order mark"},
        {"<meta charset=shift_jis>" + kText, L"Shift_JIS", L"declared"},
        {"<meta http-equiv=Content-Type content=\"text/html; charset=windows-1251\">" + kText, L"windows-1251", L"declared"},
        {"<meta charset=utf-16>" + kText, L"UTF-8", L"declared"}, // no mark: the file can't be UTF-16
        {"<!--" + std::string(1100, 'x') + "--><meta charset=shift_jis>", L"UTF-8", L"detected"}, // past 1,024 bytes
        {"<meta charset=no-such-thing>" + kText, L"UTF-8", L"detected"},
        {"<title>caf\xC3\xA9</title>", L"UTF-8", L"detected"},
        {"<title>caf\xE9</title>", L"windows-1252", L"assumed"},
    };
    for (const auto& c : cases) {
        Topic topic(c.bytes, PARSE_ALL | SAVE_CHANGED_ONLY);
        EXPECT_STREQ(c.pszEncoding, topic.doc.GetEncoding()) << c.bytes;
        EXPECT_STREQ(c.pszSource, topic.doc.GetEncodingSource()) << c.bytes;
        EXPECT_EQ(c.bytes, topic.Save("t.htm")) << c.bytes;
    }
}

// A caller can read a topic that declares the wrong encoding in the right
// one; a mark still wins, and an unknown label opens nothing.
TEST(EncodingDetection, AGivenEncodingOverridesTheDeclaration)
{
    TempDir dir;
    const std::string bytes = "<meta charset=windows-1252><title>\xA3\xF3\x64\x9F</title>"; // Łódź in windows-1250
    WriteBytes(dir.File("t.htm"), bytes);
    CHtmlFile declared(dir.WideFile("t.htm").c_str(), PARSE_ALL);
    EXPECT_STREQ(L"\u00A3\u00F3d\u0178", declared.GetTitle());
    CHtmlFile given(dir.WideFile("t.htm").c_str(), PARSE_ALL | SAVE_CHANGED_ONLY, L" Windows-1250 ");
    EXPECT_STREQ(L"\u0141\u00F3d\u017A", given.GetTitle());
    EXPECT_STREQ(L"given", given.GetEncodingSource());
    ASSERT_TRUE(given.SetTitle(L"\u017B\u00F3\u0142w") && given.SaveFile());
    EXPECT_EQ("<meta charset=windows-1252><title>\xAF\xF3\xB3w</title>", ReadBytes(dir.File("t.htm")));

    WriteBytes(dir.File("m.htm"), "\xEF\xBB\xBF<title>\xC5\x81</title>");
    EXPECT_STREQ(L"\u0141", CHtmlFile(dir.WideFile("m.htm").c_str(), PARSE_ALL, L"shift_jis").GetTitle());

    CHtmlFile unknown(dir.WideFile("t.htm").c_str(), PARSE_ALL, L"klingon");
    EXPECT_EQ(nullptr, unknown.GetTitle());
    EXPECT_STREQ(L"unknown encoding: klingon", unknown.GetLastFailure());
}

// Bytes a decoder rejects are raw-byte units: a save gives each back, and
// the tags around them are recorded where they stand.
TEST(EncodingDetection, RejectedBytesSurviveAndPositionsStayOnTheirTags)
{
    const std::string cases[] = {
        "<meta charset=shift_jis><title>\x93\xfa\xFD\x96\x7b</title><p>\xA0</p>",   // invalid Shift_JIS bytes
        "<meta charset=big5><title>\xA4<b></b></title><map name=m>\xA4</map>",        // a lead whose trail is '<'
        "<meta charset=utf-8><title>caf\xE9 \xC3\xA9</title><p>x</p>",                // one stray byte in UTF-8
        "<meta charset=gbk><title>\xD6\xD0\xCE\xC4</title><map name=m></map>\x81",    // a pair cut by the end
    };
    for (const std::string& bytes : cases) {
        Topic topic(bytes, PARSE_ALL | SAVE_CHANGED_ONLY);
        const CHTMLObject* pTitle = topic.doc.TitleElement();
        ASSERT_NE(nullptr, pTitle) << bytes;
        const auto [nFirst, nPast] = ByteSpan(topic.path, pTitle->m_nBegin, pTitle->m_nEnd);
        EXPECT_EQ("<title>", bytes.substr(nFirst, 7)) << bytes;
        EXPECT_EQ("</title>", bytes.substr(nPast - 8, 8)) << bytes;
        EXPECT_EQ(1, topic.doc.GetNumMaps() + (bytes.find("<map") == std::string::npos)) << bytes;
        EXPECT_EQ(bytes, topic.Save("t.htm")) << bytes;
        // Written anew from its decoded text, the title gives its raw-byte
        // units back as their bytes.
        Topic rewritten(bytes, PARSE_ALL);
        const std::string title = bytes.substr(nFirst, nPast - nFirst);
        EXPECT_NE(std::string::npos, rewritten.Save("t.htm").find(title)) << bytes;
    }
}

// No character reference stands for a C1 control (&#128; reads as the euro
// sign); GBK writes them in gb18030's four bytes, which its decoder reads.
TEST(EncodingDetection, C1ControlsInAGbkTopicSurviveBeingWrittenAnew)
{
    Topic topic("<meta charset=gbk><title>a\x81\x30\x81\x30 b</title>", PARSE_ALL);
    EXPECT_STREQ(L"a\u0080 b", topic.doc.GetTitle());
    ASSERT_TRUE(topic.doc.SetTitle(L"x\u0080\u0085y"));
    EXPECT_EQ("<meta charset=gbk><title>x\x81\x30\x81\x30\x81\x30\x81\x35y</title>", topic.Save("t.htm"));
    EXPECT_STREQ(L"x\u0080\u0085y", topic.doc.GetTitle());
}

} // namespace
