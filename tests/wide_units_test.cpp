// Positions count wchar_t units: a character above U+FFFF is one where
// wchar_t has 32 bits, a surrogate pair where it has 16 (Windows). The file
// class, the scanner and the save must agree, or a saved span lands one unit
// off per such character.
#include <support/Helpers.h>

#include <htmlfile/text/TextEncoding.h>

#include <gtest/gtest.h>

namespace {

constexpr size_t kUnitsAboveFFFF = sizeof(wchar_t) == 2 ? 2 : 1;
using F = CkvuuStdioFile;

} // namespace

TEST(WideUnits, ConversionsKeepCharactersAboveFFFFWhole)
{
    EXPECT_EQ("\xF0\x9F\x98\x80", WideToUtf8(L"\U0001F600"));
    EXPECT_EQ(L"\U0001F600x", Utf8ToWide("\xF0\x9F\x98\x80x"));
    EXPECT_EQ(kUnitsAboveFFFF + 1, Utf8ToWide("\xF0\x9F\x98\x80x").size());
    EXPECT_EQ(3, Utf16Length(L"\U0001F600x"));
    // A lone surrogate has no UTF-8 form; names keep their raw bytes.
    const wchar_t lone[] = {static_cast<wchar_t>(0xD83D), L'x', 0};
    EXPECT_EQ("\xEF\xBF\xBDx", WideToUtf8(lone));
    EXPECT_EQ("caf\xE9\xF0\x9F\x98\x80", WideToBytes(BytesToWide("caf\xE9\xF0\x9F\x98\x80").c_str()));
}

// Characters above U+FFFF before and inside every kind of recorded element:
// an unchanged save gives the file back, an edited title changes only the
// title's bytes, on both widths and in each encoding that holds them.
TEST(WideUnits, ASaveKeepsEveryByteAroundCharactersAboveFFFF)
{
    const std::string body =
        "<html><head>\xF0\x9F\x98\x80<title>\xF0\x9F\x98\x80 T</title>\xF0\x9F\x98\x80"
        "<link rel=stylesheet href=\"\xF0\x9D\x84\x9E.css\"></head>\xF0\x9F\x98\x80"
        "<body bgcolor=red background=\"\xF0\x9F\x98\x80.gif\">\xF0\x9F\x98\x80<img src=\"\xF0\x9F\x98\x80.png\">"
        "<map name=m>\xF0\x9F\x98\x80<area href=\"\xF0\x9F\x98\x80.htm\" coords=\"1,2,3,4\"></map>"
        "<object classid=\"x\">\xF0\x9F\x98\x80<param name=\"Keyword\" value=\"\xF0\x9F\x98\x80\"></object>"
        "\xF0\x9F\x98\x80</body></html>\xF0\x9F\x98\x80";
    const std::string oldTitle = "<title>\xF0\x9F\x98\x80 T</title>";
    const std::string newTitle = "<title>\xF0\x9D\x84\x9E new \xF0\x9F\x98\x80</title>";
    std::string edited = body;
    edited.replace(edited.find(oldTitle), oldTitle.size(), newTitle);
    // Read in place (UTF-8), and decoded (UTF-16).
    for (F::Encoding encoding : {F::encodingUtf8, F::encodingUtf16LE, F::encodingUtf16BE}) {
        SCOPED_TRACE(static_cast<int>(encoding));
        auto encode = [&](const std::string& utf8) {
            return EncodeText(Utf8ToWide(utf8.c_str()), encoding, encoding != F::encodingUtf8);
        };
        Topic topic(encode(body), PARSE_ALL | SAVE_CHANGED_ONLY);
        EXPECT_STREQ(L"\U0001F600 T", topic.doc.GetTitle());
        EXPECT_EQ(encode(body), topic.Save());
        topic.doc.SetTitle(L"\U0001D11E new \U0001F600");
        EXPECT_EQ(encode(edited), topic.Save());
    }
    // Rewriting every element (a map or an object is rewritten whole, with
    // what it holds) moves nothing around them either.
    Topic topic(body);
    topic.doc.SetTitle(L"\U0001D11E new \U0001F600");
    const std::string saved = topic.Save();
    for (const std::string& piece : {"<html><head>\xF0\x9F\x98\x80" + newTitle + "\xF0\x9F\x98\x80<link",
                                     std::string("</head>\xF0\x9F\x98\x80<body"), std::string(">\xF0\x9F\x98\x80<img"),
                                     std::string("\xF0\x9F\x98\x80</body></html>\xF0\x9F\x98\x80")})
        EXPECT_NE(std::string::npos, saved.find(piece)) << piece << "\n" << saved;
}
