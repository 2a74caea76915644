// Positions count wchar_t units: one per character where wchar_t has 32 bits,
// and where it has 16 (Windows) two for a character above U+FFFF, a
// surrogate pair. Each expectation below holds on both; the counts that
// differ are stated per width. The file class, the scanner and the save
// must agree on them, or a saved span lands one unit off per such character.
#include <support/Helpers.h>

#include <htmlfile/text/TextEncoding.h>

#include <gtest/gtest.h>

namespace {

constexpr size_t kUnitsAboveFFFF = sizeof(wchar_t) == 2 ? 2 : 1;
using F = CkvuuStdioFile;

std::wstring ReadUnits(const std::wstring& path, UINT nPerRead)
{
    F file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
    std::wstring text;
    std::vector<wchar_t> buffer(nPerRead);
    while (UINT n = file.Read(buffer.data(), nPerRead, nullptr)) text.append(buffer.data(), n);
    return text;
}

struct EncodedText {
    const char* label;
    std::string bytes;
};

// "a😀<b>é𝄞" in encodings that hold characters above U+FFFF, marked so that
// the mark decides, and a declared gb18030 file.
const std::wstring kText = L"a\U0001F600<b>\u00E9\U0001D11E";
const EncodedText kEncoded[] = {
    {"UTF-8", "a\xF0\x9F\x98\x80<b>\xC3\xA9\xF0\x9D\x84\x9E"},
    {"UTF-8 marked", "\xEF\xBB\xBF" "a\xF0\x9F\x98\x80<b>\xC3\xA9\xF0\x9D\x84\x9E"},
    {"UTF-16LE", std::string("\xFF\xFE" "a\0\x3D\xD8\x00\xDE<\0b\0>\0\xE9\0\x34\xD8\x1E\xDD", 20)},
    {"UTF-16BE", std::string("\xFE\xFF\0a\xD8\x3D\xDE\x00\0<\0b\0>\0\xE9\xD8\x34\xDD\x1E", 20)},
};

} // namespace

TEST(WideUnits, ReadsSeeksAndRawReadsCountUnitsOfTheWidth)
{
    ASSERT_EQ(kText.size(), 5 + 2 * kUnitsAboveFFFF);
    TempDir dir;
    const std::wstring path = dir.WideFile("t.htm");
    for (const EncodedText& encoded : kEncoded) {
        SCOPED_TRACE(encoded.label);
        WriteBytes(dir.File("t.htm"), encoded.bytes);
        // Whole, and one unit per read: a pair is delivered over two reads.
        EXPECT_EQ(kText, ReadUnits(path, 1024));
        EXPECT_EQ(kText, ReadUnits(path, 1));
        // Every position, the middle of a pair included, reads on from there.
        for (size_t at = 0; at <= kText.size(); ++at) {
            F file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
            ASSERT_EQ(static_cast<LONGLONG>(at), file.Seek(static_cast<LONGLONG>(at), CFile::begin));
            wchar_t rest[32];
            const UINT n = file.Read(rest, 32, nullptr);
            EXPECT_EQ(kText.substr(at), std::wstring(rest, n)) << at;
        }
        F file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
        EXPECT_EQ(static_cast<LONGLONG>(kText.size()), file.Seek(0, CFile::end));
        // Raw reads give the units' own bytes, in the units' count.
        F raw(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
        std::string bytes;
        EXPECT_EQ(static_cast<UINT>(kText.size()), raw.ReadRaw(1000, bytes));
        const size_t nMark = encoded.bytes[0] == '\xEF' ? 3 : encoded.bytes[0] == 'a' ? 0 : 2;
        EXPECT_EQ(encoded.bytes.substr(nMark), bytes);
    }
}

TEST(WideUnits, APairSplitBetweenTwoWritesIsWrittenAsOneCharacter)
{
    TempDir dir;
    const std::wstring path = dir.WideFile("w.htm");
    const struct {
        F::Encoding encoding;
        std::string expected;
    } cases[] = {
        {F::encodingUtf8, "x\xF0\x9F\x98\x80y"},
        {htmlfile_text::EncodingId::kGb18030, "x\x94\x39\xFC\x36y"},
        {F::encodingWindows1252, "x&#128512;y"},
        {F::encodingUtf16LE, std::string("x\0\x3D\xD8\x00\xDEy\0", 8)},
    };
    const std::wstring text = L"x\U0001F600y";
    for (const auto& c : cases) {
        for (size_t cut = 0; cut <= text.size(); ++cut) {
            {
                F file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
                file.SetEncoding(c.encoding, FALSE);
                file.Write(text.data(), static_cast<UINT>(cut));
                file.Write(text.data() + cut, static_cast<UINT>(text.size() - cut));
                file.Close();
            }
            EXPECT_EQ(c.expected, ReadBytes(dir.File("w.htm"))) << static_cast<int>(c.encoding) << " cut " << cut;
        }
    }
    // A high surrogate that nothing follows is written as a lone one is.
    F file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.SetEncoding(F::encodingUtf8, FALSE);
    const wchar_t high[] = {L'a', static_cast<wchar_t>(0xD83D)};
    file.Write(high, 2);
    file.Write(L"b", 1);
    file.Close();
    EXPECT_EQ("a&#65533;b", ReadBytes(dir.File("w.htm")));
}

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
    // Read in place (UTF-8), and decoded (UTF-16, gb18030): only what changed
    // differs, byte for byte.
    const struct {
        F::Encoding encoding;
        bool bMark;
    } encodings[] = {{F::encodingUtf8, false}, {F::encodingUtf16LE, true}, {F::encodingUtf16BE, true}};
    for (const auto& e : encodings) {
        SCOPED_TRACE(static_cast<int>(e.encoding));
        auto encode = [&e](const std::string& utf8) { return EncodeText(Utf8ToWide(utf8.c_str()), e.encoding, e.bMark); };
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
