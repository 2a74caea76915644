// The fast paths of reading and scanning against their plain forms: the
// block-wise ASCII helpers, the in-place UTF-8 reads and writes of the text
// file, the scanner's position count and its direct tag reader. Each runs
// on inputs that mix ASCII with every kind of sequence and with bytes that
// are no UTF-8, cut at arbitrary places, and must agree with the plain path
// unit for unit.
#include <htmlfile/outside/Html.h>
#include <htmlfile/outside/HtmlText.h>
#include <htmlfile/outside/KvuuStdioFile.h>
#include <htmlfile/outside/TextEncoding.h>
#include <htmlfile/platform/File.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }

private:
    std::uint64_t m_state;
};

// Mostly ASCII runs of every length, with well-formed sequences of two to
// four bytes, and (when bStray) lone continuation bytes, cut sequences,
// overlong forms, surrogates and the long leads of the original design.
std::string MixedBytes(Rng& rng, size_t nPieces, bool bStray)
{
    static const char* const kWellFormed[] = {"\xC3\xA9", "\xD0\x96", "\xE2\x82\xAC", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
                                              "\xEF\xBF\xBD", "\xE0\xA0\x80", "\xF4\x8F\xBF\xBF"};
    static const char* const kStray[] = {"\x80", "\xBF", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xC0\xAF", "\xED\xA0\x80",
                                         "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80", "\xFE", "\xFF", "\xC3\xA9\x80"};
    std::string text;
    for (size_t i = 0; i < nPieces; ++i) {
        const size_t kind = rng.Below(10);
        if (kind < 5) {
            text.append(rng.Below(40), static_cast<char>('a' + rng.Below(26)));
            if (rng.Below(4) == 0) text += "<p x=\"1\">";
        } else if (kind < 9 || !bStray) {
            text += kWellFormed[rng.Below(std::size(kWellFormed))];
        } else {
            text += kStray[rng.Below(std::size(kStray))];
        }
    }
    return text;
}

const unsigned char* Bytes(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

struct ScratchFile {
    fs::path path = fs::temp_directory_path() / ("fast_paths_" + std::to_string(::getpid()) + ".htm");
    explicit ScratchFile(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    ~ScratchFile()
    {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    std::wstring Wide() const { return Utf8ToWide(path.c_str()); }
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(AsciiBlocks, StopExactlyAtTheFirstNonAsciiUnit)
{
    // Every run length up to three blocks, ended by each kind of unit that
    // is not ASCII (a negative wchar_t included) or by the end of the input.
    const wchar_t kEnders[] = {0x80, 0xFF, 0x100, 0x110041, static_cast<wchar_t>(-1)};
    for (size_t run = 0; run <= 48; ++run) {
        for (wchar_t ender : kEnders) {
            std::string bytes(run, 'x');
            if (run) bytes[run / 2] = '\0'; // NUL is ASCII
            std::wstring units(bytes.begin(), bytes.end());
            bytes += static_cast<char>(0x80 | (ender & 0x3F));
            units += ender;
            bytes += "tail";
            units += L"tail";
            EXPECT_EQ(htmlfile_text::AsciiPrefix(Bytes(bytes), bytes.size()), run);
            std::vector<wchar_t> wide(bytes.size());
            ASSERT_EQ(htmlfile_text::WidenAscii(Bytes(bytes), bytes.size(), wide.data()), run);
            EXPECT_EQ(std::wstring(wide.data(), run), units.substr(0, run));
            std::vector<unsigned char> narrow(units.size());
            ASSERT_EQ(htmlfile_text::NarrowAscii(units.data(), units.size(), narrow.data()), run) << run;
            EXPECT_EQ(std::string(narrow.begin(), narrow.begin() + static_cast<long>(run)), bytes.substr(0, run));
            // A count that ends inside the run ends the copy there.
            EXPECT_EQ(htmlfile_text::AsciiPrefix(Bytes(bytes), run / 3), run / 3);
            EXPECT_EQ(htmlfile_text::NarrowAscii(units.data(), run / 3, narrow.data()), run / 3);
        }
    }
}

TEST(Utf8Codec, DecodingInAnyPiecesEncodesBackToTheSameBytes)
{
    Rng rng(1);
    for (int round = 0; round < 200; ++round) {
        const std::string text = MixedBytes(rng, 60, true);
        // Decoded at once, as a marked file's text is.
        std::wstring whole(text.size(), L'\0');
        const unsigned char* p = Bytes(text);
        whole.resize(htmlfile_text::DecodeUnits(CkvuuStdioFile::encodingUtf8, &p, p + text.size(), true, &whole[0],
                                                whole.size()));
        ASSERT_EQ(p, Bytes(text) + text.size());
        // Decoded from pieces of every size, a sequence that a piece cuts
        // left for the next one, as the file class refills.
        std::wstring pieces;
        const unsigned char* q = Bytes(text);
        const unsigned char* const end = q + text.size();
        while (q < end) {
            const unsigned char* pieceEnd = std::min(end, q + 1 + rng.Below(24));
            const bool bAtEnd = pieceEnd == end;
            if (!bAtEnd && pieceEnd - q < 4) pieceEnd = std::min(end, q + 4);
            wchar_t out[32];
            const size_t n = htmlfile_text::DecodeUnits(CkvuuStdioFile::encodingUtf8, &q, pieceEnd, pieceEnd == end,
                                                        out, 1 + rng.Below(31));
            pieces.append(out, n);
        }
        ASSERT_EQ(pieces, whole) << round;
        // Encoding gives the bytes back, raw bytes included.
        std::string again;
        const wchar_t* w = whole.data();
        unsigned char buffer[64];
        while (w < whole.data() + whole.size()) {
            const size_t n = htmlfile_text::EncodeUnits(CkvuuStdioFile::encodingUtf8, &w, whole.data() + whole.size(),
                                                        buffer, sizeof buffer);
            again.append(reinterpret_cast<const char*>(buffer), n);
        }
        ASSERT_EQ(again, text) << round;
    }
}

namespace {

// The plain decoder, sequence by sequence, is the reference for what is
// well-formed: it gives a raw-byte unit for every byte that begins no
// well-formed sequence.
std::wstring DecodeMarked(const std::string& text)
{
    std::wstring units(text.size(), L'\0');
    const unsigned char* p = Bytes(text);
    units.resize(htmlfile_text::DecodeUnits(CkvuuStdioFile::encodingUtf8, &p, p + text.size(), true, &units[0],
                                            units.size()));
    return units;
}

bool HasRawByte(const std::wstring& units)
{
    return std::any_of(units.begin(), units.end(), [](wchar_t c) { return c >= htmlfile_text::kRawByteBase; });
}

} // namespace

TEST(Utf8Codec, TheCheckAndTheMeasureAgreeWithTheDecoder)
{
    Rng rng(2);
    int nValid = 0;
    for (int round = 0; round < 600; ++round) {
        const std::string text = MixedBytes(rng, 10 + rng.Below(60), round % 2 == 0);
        const std::wstring units = DecodeMarked(text);
        // The whole check, fed in pieces of every size.
        htmlfile_text::Utf8Validator validator;
        bool bValid = true;
        for (size_t from = 0; from < text.size();) {
            const size_t n = std::min(text.size() - from, 1 + rng.Below(70));
            bValid = validator.Feed(Bytes(text) + from, n);
            from += n;
        }
        bValid = bValid && validator.Finish();
        ASSERT_EQ(bValid, !HasRawByte(units)) << round;
        nValid += bValid;
        // The measure: the sequences before the first byte that begins no
        // well-formed one, or nMax of them.
        const size_t nMax = rng.Below(units.size() + 2);
        size_t nUnits = 0;
        const size_t nBytes = htmlfile_text::MeasureWellFormedUtf8(Bytes(text), text.size(), nMax, &nUnits);
        const auto firstRaw =
            std::find_if(units.begin(), units.end(), [](wchar_t c) { return c >= htmlfile_text::kRawByteBase; });
        const size_t nWellFormed = static_cast<size_t>(firstRaw - units.begin());
        ASSERT_EQ(nUnits, std::min(nMax, nWellFormed)) << round;
        ASSERT_EQ(DecodeMarked(text.substr(0, nBytes)), units.substr(0, nUnits)) << round;
    }
    EXPECT_GT(nValid, 200);
}

TEST(StdioFileInPlace, ReadsAndSeeksAgreeWithDecodingReads)
{
    Rng rng(3);
    // Unmarked UTF-8, marked UTF-8 with stray bytes, windows-1252 (stray
    // bytes without a mark) and UTF-16: the last two never read in place.
    for (int round = 0; round < 24; ++round) {
        std::string bytes;
        switch (round % 4) {
        case 0: bytes = MixedBytes(rng, 900, false); break;
        case 1: bytes = "\xEF\xBB\xBF" + MixedBytes(rng, 900, true); break;
        case 2: bytes = MixedBytes(rng, 900, true) + "\xC3"; break;
        default: bytes = "\xFF\xFE" + MixedBytes(rng, 900, false); break;
        }
        ScratchFile file(bytes);
        CkvuuStdioFile plain(file.Wide().c_str(), CFile::modeRead | CFile::shareDenyNone);
        CkvuuStdioFile inPlace(file.Wide().c_str(), CFile::modeRead | CFile::shareDenyNone);
        size_t nTaken = 0;
        size_t nTotal = 0;
        for (;;) {
            const UINT nAsk = static_cast<UINT>(1 + rng.Below(1500));
            std::vector<wchar_t> units(nAsk);
            const UINT nRead = plain.Read(units.data(), nAsk, nullptr);
            const char* pBytes = nullptr;
            size_t nBytes = 0;
            UINT nUnits = 0;
            if (inPlace.ReadUtf8InPlace(nAsk, &pBytes, &nBytes, &nUnits)) {
                ASSERT_EQ(CkvuuStdioFile::encodingUtf8, inPlace.GetEncoding());
                ASSERT_EQ(nUnits, nRead) << round;
                std::string encoded;
                const wchar_t* w = units.data();
                unsigned char buffer[16];
                while (w < units.data() + nRead) {
                    const size_t n = htmlfile_text::EncodeUnits(CkvuuStdioFile::encodingUtf8, &w, units.data() + nRead,
                                                                buffer, sizeof buffer);
                    encoded.append(reinterpret_cast<const char*>(buffer), n);
                }
                ASSERT_EQ(std::string(pBytes, nBytes), encoded) << round;
                nTaken += nUnits;
            } else {
                std::vector<wchar_t> same(nAsk);
                ASSERT_EQ(inPlace.Read(same.data(), nAsk, nullptr), nRead);
                ASSERT_TRUE(std::equal(units.begin(), units.begin() + nRead, same.begin())) << round;
            }
            nTotal += nRead;
            if (nRead == 0) break;
            // Now and then both jump forward, which skips in place.
            if (rng.Below(3) == 0) {
                const LONGLONG lTarget = plain.Seek(static_cast<LONGLONG>(rng.Below(3000)), CFile::current);
                ASSERT_EQ(inPlace.Seek(lTarget, CFile::begin), lTarget) << round;
            }
        }
        // Well-formed UTF-8 reads in place throughout, other encodings never.
        if (round % 4 == 0) {
            EXPECT_EQ(nTaken, nTotal) << round;
        } else if (round % 4 >= 2) {
            EXPECT_EQ(nTaken, 0u) << round;
        }
    }
}

TEST(StdioFileInPlace, WritesTheBytesWriteWouldAndFailsAsWriteDoes)
{
    const std::string text = "<p>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80</p>\r\n";
    const std::wstring units = L"<p>caf\u00E9 \u20AC \U0001F600</p>\r\n";
    const fs::path dir = fs::temp_directory_path();
    const fs::path a = dir / ("fast_paths_a_" + std::to_string(::getpid()));
    const fs::path b = dir / ("fast_paths_b_" + std::to_string(::getpid()));
    for (BOOL bMark : {FALSE, TRUE}) {
        {
            CkvuuStdioFile bytewise(Utf8ToWide(a.c_str()).c_str(), CFile::modeCreate | CFile::modeWrite);
            CkvuuStdioFile unitwise(Utf8ToWide(b.c_str()).c_str(), CFile::modeCreate | CFile::modeWrite);
            bytewise.SetEncoding(CkvuuStdioFile::encodingUtf8, bMark);
            unitwise.SetEncoding(CkvuuStdioFile::encodingUtf8, bMark);
            for (int i = 0; i < 5000; ++i) { // past the size of the output buffer
                ASSERT_TRUE(bytewise.WriteUtf8(text.data(), text.size()));
                unitwise.Write(units.data(), static_cast<UINT>(units.size()));
            }
        }
        EXPECT_EQ(ReadFile(a), ReadFile(b));
        EXPECT_EQ(ReadFile(a).size(), text.size() * 5000 + (bMark ? 3 : 0));
    }
    {
        CkvuuStdioFile other(Utf8ToWide(a.c_str()).c_str(), CFile::modeCreate | CFile::modeWrite);
        other.SetEncoding(CkvuuStdioFile::encodingUtf16LE, TRUE);
        EXPECT_FALSE(other.WriteUtf8(text.data(), text.size()));
        other.Write(units.data(), 1);
    }
    EXPECT_EQ(ReadFile(a), std::string("\xFF\xFE<\0", 4));
    {
        CkvuuStdioFile failing(Utf8ToWide(a.c_str()).c_str(), CFile::modeCreate | CFile::modeWrite);
        htmlfile_testing::FailNthWrite(2);
        EXPECT_TRUE(failing.WriteUtf8(text.data(), text.size()));
        EXPECT_THROW(failing.WriteUtf8(text.data(), text.size()), CFileException);
        htmlfile_testing::ResetFaults();
        // The failure is remembered: later writes and the close report it.
        EXPECT_THROW(failing.WriteUtf8(text.data(), text.size()), CFileException);
        EXPECT_THROW(failing.Close(), CFileException);
    }
    fs::remove(a);
    fs::remove(b);
}

TEST(UnitCounting, TheIndexOfARegularBlockGivesTheCountAtEveryByte)
{
    Rng rng(4);
    int nRegular = 0;
    for (int round = 0; round < 3000; ++round) {
        // Blocks of every length up to a few chunks, some with stray bytes.
        std::string text = MixedBytes(rng, 1 + rng.Below(12), round % 3 != 0);
        const unsigned char* const begin = Bytes(text);
        htmlscan::ContinuationIndex index;
        const bool bRegular = index.Build(begin, begin + text.size());
        htmlscan::UnitCounter counter;
        size_t nContinuations = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (bRegular) {
                // Before any byte: the units counted byte by byte up to it.
                ASSERT_EQ(static_cast<long long>(i - index.Before(begin + i)), counter.Units()) << round << " at " << i;
            }
            if (i == text.size()) break;
            counter.CountOne(begin[i]);
            nContinuations += (begin[i] & 0xC0) == 0x80;
        }
        // A block that counts differently from bytes minus continuation
        // bytes, or leaves a sequence open, is never taken as regular.
        if (counter.Units() != static_cast<long long>(text.size() - nContinuations) || !counter.AtSequenceBoundary()) {
            EXPECT_FALSE(bRegular) << round;
        }
        nRegular += bRegular;
    }
    EXPECT_GT(nRegular, 1000); // the well-formed blocks
}

namespace {

class EventLog : public HTMLCallback {
public:
    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag, TagAttribute* const pAttributes) override
    {
        std::wstring line = (reason == HTMLCB_STARTTAG ? L"<" : L"</") + std::wstring(pszTag);
        for (const TagAttribute* a = pAttributes; a; a = a->m_pNext)
            line += L" [" + std::wstring(a->m_pszName) + (a->m_pszValue ? L"=" + std::wstring(a->m_pszValue) : L"") + L"]";
        line += L" " + std::to_wstring(html.TagBegin()) + L"-" + std::to_wstring(html.TagEnd());
        if (reason == HTMLCB_ENDTAG && html.HasCollectedText()) line += L" {" + std::wstring(html.CollectedText()) + L"}";
        log += line + L"\n";
        // Collect after every third start tag, as a document does after a
        // title.
        return reason == HTMLCB_STARTTAG && ++starts % 3 == 0 ? HTMLCB_COLLECTTEXT : HTMLCB_NONE;
    }
    std::wstring log;
    int starts = 0;
};

// Tag soup: tags with every quoting and spacing, self-closing and odd
// syntax, comments, scripts and text with multibyte characters.
std::string TagSoup(Rng& rng)
{
    static const char* const kPieces[] = {
        "<p>", "</p>", "<a href=\"x.htm\">", "<A HREF='y.htm' target=_top>", "<img src=a.gif alt=\"caf\xC3\xA9\"/>",
        "<br/>", "<i/=x/>", "<u v/=w>", "<td nowrap width=30%>", "<b\tclass = \"k\" >", "<x =y z= >",
        "<q a=\"1\"b=2>", "<hr noshade/ size=1>",
        "<!-- <b> - -- -->", "<!DOCTYPE html>", "<?pi?>", "</>", "< p>", "<title>T\xC3\xA9 &amp; <i></title>",
        "<script>if (a<b) x='</p>';</script>", "<style>p > a {}</style>", "text ", "\xE2\x82\xAC ", "\xF0\x9F\x98\x80",
        "&eacute;", "\r\n", "<meta name=\"template\" pattern=\"title\">", "<a\xC3\xA9 b\xC3\xA9=\"\xE4\xB8\xAD\">"};
    std::string text;
    for (size_t i = 0, n = 20 + rng.Below(60); i < n; ++i) text += kPieces[rng.Below(std::size(kPieces))];
    return text;
}

std::wstring ScanInBlocks(const std::string& text, Rng* rng)
{
    EventLog log;
    HTML html;
    html.init();
    html.regcallback(&log);
    if (!rng) {
        for (char c : text) html << c;
    } else {
        for (size_t from = 0; from < text.size();) {
            const size_t n = std::min(text.size() - from, 1 + rng->Below(64));
            html.Feed(text.data() + from, n);
            from += n;
        }
    }
    return log.log + L"units " + std::to_wstring(html.Position());
}

} // namespace

TEST(ScannerBlocks, AnyCuttingGivesTheEventsOfTheWholeText)
{
    Rng rng(5);
    for (int round = 0; round < 300; ++round) {
        const std::string text = TagSoup(rng);
        EventLog whole;
        HTML html;
        html.init();
        html.regcallback(&whole);
        html.Feed(text.data(), text.size());
        const std::wstring expected = whole.log + L"units " + std::to_wstring(html.Position());
        ASSERT_EQ(ScanInBlocks(text, &rng), expected) << text;
        ASSERT_EQ(ScanInBlocks(text, nullptr), expected) << text;
    }
}
