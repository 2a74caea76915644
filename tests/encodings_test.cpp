// The encodings: labels, the prescan, decoding against vectors checked with
// Python's codecs (tests/data/codec_vectors.txt, see its generator in
// tests/support), round trips, raw-byte units and split input.
#include <htmlfile/text/Encodings.h>
#include <htmlfile/text/Prescan.h>

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace htmlfile_text;
using E = EncodingId;

namespace {

// wchar_t values as numbers (gtest prints them readably).
using Units = std::vector<std::uint32_t>;

// The units of code points: a surrogate pair above U+FFFF where wchar_t has
// 16 bits (as in the build of this test with -fshort-wchar).
Units AsUnits(const Units& codePoints)
{
    Units units;
    for (const std::uint32_t code : codePoints)
        if (sizeof(wchar_t) == 2 && code > 0xFFFF) units.insert(units.end(), {0xD7C0 + (code >> 10), 0xDC00 + (code & 0x3FF)});
        else units.push_back(code);
    return units;
}

constexpr std::uint32_t Raw(unsigned byte) { return kRawByteUnitBase + byte; }

const unsigned char* BytesOf(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Decodes in blocks of at most `block` bytes (the last call final), with
// room for only `room` units a call.
Units Decode(EncodingId encoding, const std::string& bytes, size_t block = SIZE_MAX, size_t room = 64)
{
    Decoder decoder(encoding);
    Units units;
    std::vector<wchar_t> out(room);
    const unsigned char* p = BytesOf(bytes);
    for (size_t offered = std::min(block, bytes.size());; offered = std::min(offered + block, bytes.size())) {
        size_t got;
        while ((got = decoder.Decode(&p, BytesOf(bytes) + offered, offered == bytes.size(), out.data(), room)) != 0)
            units.insert(units.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(got));
        if (offered == bytes.size()) break;
    }
    EXPECT_EQ(p, BytesOf(bytes) + bytes.size()) << "bytes left undecoded";
    return units;
}

std::string Encode(EncodingId encoding, const Units& codePoints)
{
    const Units units = AsUnits(codePoints);
    const std::vector<wchar_t> text(units.begin(), units.end());
    std::string bytes;
    unsigned char out[64];
    for (const wchar_t* in = text.data(); in < text.data() + text.size();)
        bytes.append(reinterpret_cast<const char*>(out), EncodeUnits(encoding, &in, text.data() + text.size(), out, sizeof out));
    return bytes;
}

// Every encoding's name is one of its labels.
TEST(EncodingLabels, MapAsTheLabelTableDoes)
{
    const struct {
        const char* label;
        std::optional<EncodingId> expected;
    } cases[] = {
        {"iso-8859-1", E::kWindows1252}, {"us-ascii", E::kWindows1252},
        {"gb2312", E::kGbk},             {"x-sjis", E::kShiftJis},
        {"shift_jis", E::kShiftJis},     {"  UTF8 ", E::kUtf8},
        {"\t\nKOI8-R\f\r", E::kKoi8R},   {"Big5-HKSCS", E::kBig5},
        {"ks_c_5601-1987", E::kEucKr},   {"ISO-8859-8-I", E::kIso8859_8I},
        {"utf-16", E::kUtf16LE},         {"x-user-defined", E::kXUserDefined},
        {"latin2", E::kIso8859_2},       {"unknown", std::nullopt},
        {"utf-8x", std::nullopt},                 {"", std::nullopt},
        {"iso-2022-kr", std::nullopt},            {"utf\xC2\xA0" "8", std::nullopt},
        {"windows-1252 with a label longer than any known", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodingForLabel(c.label), c.expected) << c.label;
    EXPECT_STREQ(EncodingName(E::kShiftJis), "Shift_JIS");
    for (size_t i = 0; i < kEncodingCount; ++i)
        EXPECT_EQ(EncodingForLabel(EncodingName(static_cast<EncodingId>(i))), static_cast<EncodingId>(i)) << i;
}

TEST(Prescan, FindsTheDeclarationAsABrowserDoes)
{
    const struct {
        std::string bytes;
        std::optional<EncodingId> expected;
    } cases[] = {
        {"<meta charset=shift_jis>", E::kShiftJis},  {"<META CHARSET='GB2312'>", E::kGbk},
        {"<meta charset=\"big5\">", E::kBig5},        {"<meta charset = \" euc-kr \" >", E::kEucKr},
        {"<meta/charset=koi8-r>", E::kKoi8R},         {"<meta charset=koi8-r/>", std::nullopt},
        {"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">",
         E::kWindows1250},
        {"<meta content='text/html;charset = \"iso-8859-2\"' http-equiv=content-type>", E::kIso8859_2},
        {"<meta content=\"text/html; charset=windows-1251\">", std::nullopt},
        {"<meta http-equiv=refresh content=\"text/html; charset=windows-1251\">", std::nullopt},
        {"<meta name=author content=x charset=x-sjis>", E::kShiftJis},
        {"<meta charset=utf-16>", E::kUtf8},          {"<meta charset=utf-16be>", E::kUtf8},
        {"<meta charset=x-user-defined>", E::kWindows1252}, {"<meta charset=iso-8859-1>", E::kWindows1252},
        {"<meta charset=bogus><meta charset=euc-jp>", E::kEucJp}, {"<meta charset=euc-jp charset=big5>", E::kEucJp},
        {"<!-- <meta charset=big5> --><meta charset=gbk>", E::kGbk},
        {"<!--><meta charset=big5>", E::kBig5},       {"<!-- <meta charset=big5>", std::nullopt},
        {"<p title='<meta charset=big5>'><meta charset=euc-kr>", E::kEucKr},
        {"<?php <meta charset=big5> ?><meta charset=euc-kr>", E::kEucKr},
        {"<metax charset=big5>", std::nullopt}, {"<meta charset=big5", std::nullopt}, {"<title>x</title>", std::nullopt},
        {"<!-- x -->" + std::string(1000, ' ') + "<meta charset=big5>", std::nullopt},
        {"<!-- x -->" + std::string(990, ' ') + "<meta charset=big5>", E::kBig5},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><html>", E::kShiftJis},
        {std::string("<\0?\0x\0m\0l\0", 10), E::kUtf16LE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrescanForEncoding(BytesOf(c.bytes), c.bytes.size()), c.expected) << c.bytes;
}

// Every line of the vectors: the encoding, then bytes=code points, each
// sequence decoded alone and all of them decoded as one text.
TEST(Decoding, MatchesTheCheckedVectors)
{
    std::ifstream file(HTMLFILE_SOURCE_DIR "/tests/data/codec_vectors.txt");
    ASSERT_TRUE(file) << "tests/data/codec_vectors.txt";
    size_t checked = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name, entry, allBytes;
        fields >> name;
        const std::optional<EncodingId> encoding = EncodingForLabel(name);
        ASSERT_TRUE(encoding) << name;
        Units allUnits;
        while (fields >> entry) {
            const size_t equals = entry.find('=');
            std::string bytes;
            for (size_t i = 0; i + 1 < equals; i += 2) bytes += static_cast<char>(std::stoi(entry.substr(i, 2), nullptr, 16));
            Units expected;
            std::istringstream codes(entry.substr(equals + 1));
            for (std::string code; std::getline(codes, code, '+');) expected.push_back(std::stoul(code, nullptr, 16));
            expected = AsUnits(expected);
            EXPECT_EQ(Decode(*encoding, bytes), expected) << name << " " << entry;
            allBytes += bytes;
            allUnits.insert(allUnits.end(), expected.begin(), expected.end());
            ++checked;
        }
        EXPECT_EQ(Decode(*encoding, allBytes), allUnits) << line;
    }
    EXPECT_GT(checked, 20000u);
}

// For every character an encoder writes as bytes, decoding those bytes and
// encoding again gives the same bytes; the few characters the encoders write
// as another's bytes (the minus sign as the fullwidth hyphen-minus, say)
// decode to that other character.
TEST(RoundTrip, EveryCharacterTheMultiByteEncodersWrite)
{
    for (const EncodingId id : {E::kShiftJis, E::kEucJp, E::kGbk, E::kGb18030, E::kBig5, E::kEucKr}) {
        size_t written = 0, substituted = 0;
        for (std::uint32_t code = 0x80; code < 0x30000; ++code) {
            if (code >= 0xD800 && code <= 0xDFFF) continue;
            const std::string bytes = Encode(id, {code});
            if (bytes[0] == '&') {
                EXPECT_EQ(bytes, "&#" + std::to_string(code) + ";") << EncodingName(id);
                continue;
            }
            ++written;
            const Units back = Decode(id, bytes);
            ASSERT_EQ(back.size(), AsUnits({code}).size()) << EncodingName(id) << " U+" << std::hex << code;
            substituted += back != AsUnits({code});
            EXPECT_EQ(Encode(id, back), bytes) << EncodingName(id) << " U+" << std::hex << code;
        }
        EXPECT_GT(written, 7000u) << EncodingName(id);
        EXPECT_LT(substituted, 30u) << EncodingName(id);
    }
}

// Each rejected byte is a raw-byte unit and the markup after it stays;
// lone UTF-16 surrogates are kept. Encoding the units gives the bytes back
// (or `encoded`, where given).
TEST(RawByteUnits, KeepEveryRejectedByteAndTheMarkupAfterIt)
{
    const struct {
        EncodingId encoding;
        std::string bytes;
        Units units;
        std::optional<std::string> encoded = std::nullopt;
    } cases[] = {
        {E::kShiftJis, "<p>\xA0<b>", {'<', 'p', '>', Raw(0xA0), '<', 'b', '>'}},
        {E::kShiftJis, "\x81<\x82\xA0", {Raw(0x81), '<', 0x3042}}, {E::kShiftJis, "\x85\xFD", {Raw(0x85), Raw(0xFD)}},
        {E::kGbk, "<i>\xD6\xD0\xCE", {'<', 'i', '>', 0x4E2D, Raw(0xCE)}},
        {E::kGb18030, "\x81\x30\x81", {Raw(0x81), Raw(0x30), Raw(0x81)}}, {E::kGb18030, "\x81\x30<", {Raw(0x81), '0', '<'}},
        {E::kGb18030, "\x84\x31\xA4\x39\x81\x30\x81\x30", {0xFFFF, 0x80}},
        {E::kGb18030, "\x84\x32\x81\x30", {Raw(0x84), Raw(0x32), Raw(0x81), Raw(0x30)}},
        {E::kBig5, "\xA4<p>", {Raw(0xA4), '<', 'p', '>'}},
        // A letter and combining mark from a sequence the encoder does not write.
        {E::kBig5, "\x88\x62\xA4\x40", {0xCA, 0x304, 0x4E00}, "&#202;&#772;\xA4\x40"},
        {E::kEucKr, "\xB0\xA1\xFF\xB0", {0xAC00, Raw(0xFF), Raw(0xB0)}},
        {E::kEucJp, "\x8F\xA2<\x8E\xB1", {Raw(0x8F), Raw(0xA2), '<', 0xFF71}},
        {E::kUtf8, "Old \xE9!\xE3\x81<\xF0\x9F\x98\x80",
         {'O', 'l', 'd', ' ', Raw(0xE9), '!', Raw(0xE3), Raw(0x81), '<', 0x1F600}},
        {E::kUtf8, "\xED\xA0\x80\xC0\xAF", {Raw(0xED), Raw(0xA0), Raw(0x80), Raw(0xC0), Raw(0xAF)}},
        {E::kWindows874, "\xDB\xDC", {Raw(0xDB), Raw(0xDC)}},
        // An odd last byte reads as a replacement character.
        {E::kUtf16LE, std::string("a\0=\xD8\0\xDE\0\xD8x\0\x80\xDCz", 13), {'a', 0x1F600, 0xD800, 'x', 0xDC80, 0xFFFD},
         std::string("a\0=\xD8\0\xDE\0\xD8x\0\x80\xDC\xFD\xFF", 14)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.encoding, c.bytes), AsUnits(c.units)) << EncodingName(c.encoding) << " " << c.bytes;
        EXPECT_EQ(Encode(c.encoding, c.units), c.encoded.value_or(c.bytes)) << EncodingName(c.encoding) << " " << c.bytes;
    }
}

// Split anywhere, with room for few units, input decodes to the units of
// the whole: hand-picked sequences at every boundary, then random bytes
// (mostly leads, trails, digits and markup) in random blocks for every
// encoding; UTF-8 text, valid or not, also encodes back to its bytes.
TEST(SplitInput, GivesTheUnitsOfTheWholeAtEveryBoundary)
{
    const std::pair<EncodingId, std::string> cases[] = {
        {E::kUtf8, "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80\xE3\x81<\xF0\x9F"},
        {E::kGb18030, "\xD6\xD0\x81\x30\x81\x30\x84\x31\xA4\x39\x81\x30<\x81\x30\x81"},
        {E::kBig5, "\xA4\x40\x88\x62\xA4<\xFE"}, {E::kEucJp, "\xC6\xFC\x8F\xB0\xA1\x8E\xB1\x8F\xA2"},
        {E::kEucKr, "\xB0\xA1\xC7\xD1<\xB0"}, {E::kShiftJis, "<b>\x93\xFA\x96\x7B\xB1\x81<\xFC"},
        {E::kIso2022Jp, "a\x1B$B0!F|\x1B(Bb\x1B(J\\\x1B$B\x1B(B\x1B(I1\x1B(B"},
        {E::kUtf16LE, std::string("a\0=\xD8\0\xDE\0\xD8x\0z", 11)}, {E::kUtf16BE, std::string("\0a\xD8=\xDE\0\xDC\x80\xD8", 9)},
    };
    for (const auto& [encoding, bytes] : cases) {
        const Units whole = Decode(encoding, bytes);
        for (size_t block = 1; block < bytes.size(); ++block)
            EXPECT_EQ(Decode(encoding, bytes, block), whole) << EncodingName(encoding) << " block " << block;
        EXPECT_EQ(Decode(encoding, bytes, SIZE_MAX, kMaxUnitsPerSequence), whole) << EncodingName(encoding);
    }
    std::mt19937 random(13);
    const std::string alphabet = "<>a0\x1B$(B\x80\x81\x8E\x8F\xA1\xA4\xB0\xC3\xE3\xED\xF0\xF4\xFE\xFF\x30\x39\x40\x7E";
    for (size_t i = 0; i < kEncodingCount; ++i) {
        const auto id = static_cast<EncodingId>(i);
        for (int round = 0; round < 200; ++round) {
            std::string bytes(random() % 40, '\0');
            for (char& b : bytes) b = alphabet[random() % alphabet.size()];
            const Units whole = Decode(id, bytes);
            const size_t block = 1 + random() % 7;
            EXPECT_EQ(Decode(id, bytes, block, kMaxUnitsPerSequence), whole) << EncodingName(id) << " block " << block;
            if (id == E::kUtf8) { EXPECT_EQ(Encode(id, whole), bytes); }
        }
    }
}

TEST(Iso2022Jp, SwitchesSetsAndRejectsWhatNoSetAllows)
{
    const std::pair<std::string, Units> cases[] = {
        {"\x1B$B0!\x1B(BA", {0x4E9C, 'A'}},       {"\x1B(J\\~\x1B(I1\x1B(B\\", {0xA5, 0x203E, 0xFF71, '\\'}},
        {"\x1B$B\x1B(BA", {Raw(0x1B), Raw('('), Raw('B'), 'A'}}, {"\x1B$B0\x1B(BA", {Raw('0'), 'A'}},
        {"\x1B$B0\n", {Raw('0'), Raw('\n')}},     {"\x1B$B0", {Raw('0')}},
        {"a\x1B(Bb\x1B$", {'a', 'b', Raw(0x1B), '$'}}, {"\x1B" "x\x0E\xA4", {Raw(0x1B), 'x', Raw(0x0E), Raw(0xA4)}},
        {"abc\x1B(B", {'a', 'b', 'c'}},
    };
    for (const auto& [bytes, units] : cases) EXPECT_EQ(Decode(E::kIso2022Jp, bytes), units) << bytes;
    EXPECT_EQ(Encode(E::kIso2022Jp, {'a', 0x65E5, Raw(0x1B)}), "a&#26085;\x1B");
}

TEST(Encoding, WritesReferencesForWhatTheEncodingLacks)
{
    EXPECT_EQ(Encode(E::kWindows1252, {'a', 0x65E5, 0x20AC, 0xE9}), "a&#26085;\x80\xE9");
    EXPECT_EQ(Encode(E::kShiftJis, {0x65E5, 0x1D11E, 0xA5, 0x2212}), "\x93\xFA&#119070;\x5C\x81\x7C");
    EXPECT_EQ(Encode(E::kGbk, {0x20AC, 0x1F600, 0xE5E5}), "\x80&#128512;&#58853;");
    EXPECT_EQ(Encode(E::kGb18030, {0x20AC, 0x1F600, 0xE78D}), "\xA2\xE3\x94\x39\xFC\x36\xA6\xD9");
    EXPECT_EQ(Encode(E::kBig5, {0x2550, 0x20AC, 0x0100}), "\xF9\xF9\xA3\xE1&#256;");
    EXPECT_EQ(Encode(E::kKoi8R, {0x0416, 0x0100}), "\xF6&#256;");
    EXPECT_EQ(Encode(E::kUtf8, {0xE9, Raw(0xE9), 0xD800}), "\xC3\xA9\xE9&#65533;");
    EXPECT_EQ(Encode(E::kUtf16BE, {0xDCFF}), "\xDC\xFF");
}

} // namespace
