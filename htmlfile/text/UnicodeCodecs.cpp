// UTF-8 and UTF-16.
#include <htmlfile/text/CodecSupport.h>

namespace htmlfile_text::codec {
namespace {

// The sequence a UTF-8 lead byte begins: how many bytes follow it, and the
// range the first of them must lie in (narrowed after E0, ED, F0 and F4 to
// rule out overlong forms, surrogates and values above U+10FFFF).
struct Utf8Lead {
    unsigned following;
    unsigned low;
    unsigned high;
};

Utf8Lead LeadOf(unsigned char lead) noexcept
{
    if (lead >= 0xC2 && lead <= 0xDF) return {1, 0x80, 0xBF};
    if (lead >= 0xE0 && lead <= 0xEF) return {2, lead == 0xE0 ? 0xA0u : 0x80u, lead == 0xED ? 0x9Fu : 0xBFu};
    if (lead >= 0xF0 && lead <= 0xF4) return {3, lead == 0xF0 ? 0x90u : 0x80u, lead == 0xF4 ? 0x8Fu : 0xBFu};
    return {0, 0, 0};
}

// A byte that breaks a sequence is read again as the start of the next one;
// the bytes before it are rejected, and since every one of them is a lead or
// a continuation byte, none could have begun a sequence of its own.
Step Utf8StepAt(const unsigned char* p, const unsigned char* end) noexcept
{
    const Utf8Lead lead = LeadOf(p[0]);
    if (lead.following == 0) return Rejected(1);
    std::uint32_t code = p[0] & (0x3Fu >> lead.following);
    unsigned low = lead.low;
    unsigned high = lead.high;
    for (unsigned i = 1; i <= lead.following; ++i) {
        if (p + i == end) return Incomplete();
        if (p[i] < low || p[i] > high) return Rejected(i);
        code = (code << 6) | (p[i] & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return Character(code, lead.following + 1);
}

// A 16-bit unit from two bytes; high is the offset of its high byte (0 in
// big-endian order, 1 in little-endian).
std::uint32_t Utf16UnitAt(const unsigned char* p, unsigned high) noexcept
{
    return (std::uint32_t{p[high]} << 8) | p[high ^ 1];
}

unsigned char* PutUtf16Unit(unsigned char* o, std::uint32_t unit, unsigned high) noexcept
{
    o[high] = static_cast<unsigned char>(unit >> 8);
    o[high ^ 1] = static_cast<unsigned char>(unit & 0xFF);
    return o + 2;
}

bool IsHighSurrogate(std::uint32_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

unsigned char* PutUtf8(unsigned char* o, std::uint32_t code) noexcept
{
    if (code > 0x10FFFF) return nullptr;
    if (code < 0x800) return PutTwoBytes(o, 0xC0 | (code >> 6), 0x80 | (code & 0x3F));
    if (code < 0x10000) {
        *o++ = static_cast<unsigned char>(0xE0 | (code >> 12));
        return PutTwoBytes(o, 0x80 | ((code >> 6) & 0x3F), 0x80 | (code & 0x3F));
    }
    o = PutTwoBytes(o, 0xF0 | (code >> 18), 0x80 | ((code >> 12) & 0x3F));
    return PutTwoBytes(o, 0x80 | ((code >> 6) & 0x3F), 0x80 | (code & 0x3F));
}

} // namespace

size_t DecodeUtf8(const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                  size_t capacity) noexcept
{
    return DecodeAsciiCompatible(p, end, bAtEnd, out, capacity, Utf8StepAt);
}

// Lone surrogates are kept as the units they are, so that text holding them
// is written back as it was. A last odd byte is the one thing that has no
// unit of its own: it reads as U+FFFD. Where wchar_t has 16 bits every
// 16-bit unit is a wchar_t as it stands.
size_t DecodeUtf16(bool bBigEndian, const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                   size_t capacity) noexcept
{
    const unsigned high = bBigEndian ? 0 : 1;
    wchar_t* o = out;
    wchar_t* const oEnd = out + capacity;
    for (; o < oEnd && end - p >= 2; ++o) {
        std::uint32_t code = Utf16UnitAt(p, high);
        p += 2;
        if (kWideUnits && IsHighSurrogate(code)) {
            if (end - p < 2 && !bAtEnd) {
                p -= 2; // the low half may come with the next block
                break;
            }
            if (end - p >= 2 && IsLowSurrogate(Utf16UnitAt(p, high))) {
                code = 0x10000 + ((code - 0xD800) << 10) + (Utf16UnitAt(p, high) - 0xDC00);
                p += 2;
            }
        }
        *o = static_cast<wchar_t>(code);
    }
    if (bAtEnd && o < oEnd && end - p == 1) {
        *o++ = 0xFFFD;
        ++p;
    }
    return static_cast<size_t>(o - out);
}

size_t EncodeUtf8(const wchar_t*& in, const wchar_t* end, unsigned char* out, size_t capacity, bool bAtEnd) noexcept
{
    return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutUtf8);
}

size_t EncodeUtf16(bool bBigEndian, const wchar_t*& in, const wchar_t* end, unsigned char* out,
                   size_t capacity) noexcept
{
    const unsigned high = bBigEndian ? 0 : 1;
    unsigned char* o = out;
    unsigned char* const oEnd = out + capacity;
    for (; in < end && static_cast<size_t>(oEnd - o) >= kMaxEncodedUnitBytes; ++in) {
        std::uint32_t code = static_cast<std::uint32_t>(*in);
        if (code > 0x10FFFF) code = 0xFFFD;
        if (code > 0xFFFF) {
            code -= 0x10000;
            o = PutUtf16Unit(o, 0xD800 + (code >> 10), high);
            code = 0xDC00 + (code & 0x3FF);
        }
        o = PutUtf16Unit(o, code, high);
    }
    return static_cast<size_t>(o - out);
}

} // namespace htmlfile_text::codec
