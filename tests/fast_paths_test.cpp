// The fast UTF-8 paths against their plain forms, on mixed input cut at
// arbitrary places: the decoder, the check and measure, the in-place reads.
#include <support/Helpers.h>

#include <htmlfile/text/TextEncoding.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using Rng = std::mt19937;
constexpr auto kUtf8 = CkvuuStdioFile::encodingUtf8;

size_t Below(Rng& rng, size_t n) { return static_cast<size_t>(rng() % n); }

// Mostly ASCII runs, with well-formed sequences and (when bStray) stray
// continuations, cut sequences, overlong forms, surrogates and long leads.
std::string MixedBytes(Rng& rng, size_t nPieces, bool bStray)
{
    static const char* const kWellFormed[] = {"\xC3\xA9", "\xD0\x96", "\xE2\x82\xAC", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
                                              "\xEF\xBF\xBD", "\xE0\xA0\x80", "\xF4\x8F\xBF\xBF"};
    static const char* const kStray[] = {"\x80", "\xBF", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xC0\xAF", "\xED\xA0\x80",
                                         "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80", "\xFE", "\xFF", "\xC3\xA9\x80"};
    std::string text;
    for (size_t i = 0; i < nPieces; ++i) {
        const size_t kind = Below(rng, 10);
        if (kind < 5) {
            text.append(Below(rng, 40), static_cast<char>('a' + Below(rng, 26)));
            if (Below(rng, 4) == 0) text += "<p x=\"1\">";
        } else {
            text += kind < 9 || !bStray ? kWellFormed[Below(rng, std::size(kWellFormed))] : kStray[Below(rng, std::size(kStray))];
        }
    }
    return text;
}

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// The plain decoder is the reference: a raw-byte unit for every byte that
// begins no well-formed sequence.
std::wstring Decode(const std::string& text)
{
    std::wstring units(text.size(), L'\0');
    const unsigned char* p = Bytes(text);
    htmlfile_text::Decoder decoder(kUtf8);
    units.resize(decoder.Decode(&p, p + text.size(), true, &units[0], units.size()));
    return units;
}

} // namespace

TEST(Utf8Codec, DecodingTheCheckAndTheMeasureAgree)
{
    Rng rng(2);
    int nValid = 0;
    for (int round = 0; round < 600; ++round) {
        const std::string text = MixedBytes(rng, 10 + Below(rng, 60), round % 2 == 0);
        const std::wstring units = Decode(text);
        // Decoded in pieces of any size the units are the same, and encode
        // back to the bytes, raw bytes included.
        std::wstring pieces;
        htmlfile_text::Decoder decoder(kUtf8);
        for (const unsigned char *q = Bytes(text), *const end = q + text.size(); q < end;) {
            const unsigned char* pieceEnd = std::min(end, q + 5 + Below(rng, 24));
            wchar_t out[32];
            pieces.append(out, decoder.Decode(&q, pieceEnd, pieceEnd == end, out,
                                              htmlfile_text::kMaxUnitsPerSequence + Below(rng, 28)));
        }
        ASSERT_EQ(pieces, units) << round;
        ASSERT_EQ(EncodeText(units, kUtf8, false), text) << round;
        const size_t nWellFormed = static_cast<size_t>(
            std::find_if(units.begin(), units.end(), [](wchar_t c) { return htmlfile_text::IsRawByteUnit(c); }) -
            units.begin());
        // The whole check, fed in pieces of every size.
        htmlfile_text::Utf8Validator validator;
        bool bValid = true;
        for (size_t from = 0, n; from < text.size(); from += n) {
            n = std::min(text.size() - from, 1 + Below(rng, 70));
            bValid = validator.Feed(Bytes(text) + from, n);
        }
        bValid = bValid && validator.Finish();
        ASSERT_EQ(bValid, nWellFormed == units.size()) << round;
        nValid += bValid;
        // The measure: the sequences before the first ill-formed one, up to nMax.
        const size_t nMax = Below(rng, units.size() + 2);
        size_t nUnits = 0;
        const size_t nBytes = htmlfile_text::MeasureWellFormedUtf8(Bytes(text), text.size(), nMax, &nUnits);
        // Where wchar_t has 16 bits the measure takes no half of a pair.
        size_t nExpected = std::min(nMax, nWellFormed);
        if (nExpected > 0 && nExpected < units.size() && units[nExpected - 1] >= 0xD800 && units[nExpected - 1] <= 0xDBFF)
            --nExpected;
        ASSERT_EQ(nUnits, nExpected) << round;
        ASSERT_EQ(Decode(text.substr(0, nBytes)), units.substr(0, nUnits)) << round;
        // Text checked whole is measured by counting alone, to the same result.
        if (bValid) {
            const size_t nCount = Below(rng, text.size() + 1);
            size_t nCounted = 0, nMeasured = 0;
            ASSERT_EQ(htmlfile_text::MeasureCheckedUtf8(Bytes(text), nCount, nMax, &nCounted),
                      htmlfile_text::MeasureWellFormedUtf8(Bytes(text), nCount, nMax, &nMeasured))
                << round;
            ASSERT_EQ(nCounted, nMeasured) << round;
        }
    }
    EXPECT_GT(nValid, 200);
}

// A save opens the old file in the encoding it was parsed in. Changed since
// into bytes that are no UTF-8, it still reads back to exactly those bytes.
TEST(StdioFileInPlace, AFileAssumedToBeUtf8ReadsBackToItsOwnBytes)
{
    Rng rng(4);
    TempDir dir;
    const std::wstring path = dir.WideFile("t.htm");
    for (int round = 0; round < 8; ++round) {
        const std::string bytes = MixedBytes(rng, 900, round % 2 == 1);
        WriteBytes(dir.File("t.htm"), bytes);
        CkvuuStdioFile file(path.c_str(), CFile::modeRead | CFile::shareDenyNone, kUtf8);
        ASSERT_EQ(kUtf8, file.GetEncoding());
        std::string back;
        std::wstring held;
        bool bDecoded = false;
        for (UINT nRead = 1; nRead;) {
            const auto nAsk = static_cast<UINT>(1 + Below(rng, 1500));
            const char* pBytes = nullptr;
            size_t nBytes = 0;
            if (held.empty() && file.ReadUtf8InPlace(nAsk, &pBytes, &nBytes, &nRead)) {
                back.append(pBytes, nBytes);
                continue;
            }
            std::vector<wchar_t> units(nAsk);
            nRead = file.Read(units.data(), nAsk, nullptr);
            bDecoded = bDecoded || nRead;
            // A high surrogate a read ends on waits for the rest of its pair.
            held.append(units.data(), nRead);
            const bool bHalf = !held.empty() && held.back() >= 0xD800 && held.back() <= 0xDBFF && nRead;
            back += EncodeText(held.substr(0, held.size() - bHalf), kUtf8, false);
            held.erase(0, held.size() - bHalf);
        }
        ASSERT_EQ(back, bytes) << round;
        EXPECT_TRUE(round % 2 == 1 || !bDecoded) << round << ": well-formed UTF-8 must read in place throughout";
    }
    WriteBytes(dir.File("t.htm"), std::string("\xFF\xFE" "a\0", 4));
    CkvuuStdioFile marked(path.c_str(), CFile::modeRead | CFile::shareDenyNone, kUtf8);
    EXPECT_EQ(CkvuuStdioFile::encodingUtf16LE, marked.GetEncoding());
}
