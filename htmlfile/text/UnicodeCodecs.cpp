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

template <bool kBigEndian>
std::uint32_t Utf16UnitAt(const unsigned char* p) noexcept
{
    return kBigEndian ? (std::uint32_t{p[0]} << 8) | p[1] : (std::uint32_t{p[1]} << 8) | p[0];
}

// Lone surrogates are kept as the units they are, so that text holding them
// is written back as it was. A last odd byte is the one thing that has no
// unit of its own: it reads as U+FFFD.
template <bool kBigEndian>
size_t DecodeUtf16Units(const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                        size_t capacity) noexcept
{
    wchar_t* o = out;
    wchar_t* const oEnd = out + capacity;
    while (o < oEnd && end - p >= 2) {
        std::uint32_t unit = Utf16UnitAt<kBigEndian>(p);
        size_t length = 2;
        if (kWideUnits && unit >= 0xD800 && unit <= 0xDBFF) {
            if (end - p < 4 && !bAtEnd) break;
            if (end - p >= 4) {
                const std::uint32_t next = Utf16UnitAt<kBigEndian>(p + 2);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
                    length = 4;
                }
            }
        }
        *o++ = static_cast<wchar_t>(unit);
        p += length;
    }
    if (bAtEnd && o < oEnd && end - p == 1) {
        *o++ = 0xFFFD;
        ++p;
    }
    return static_cast<size_t>(o - out);
}

template <bool kBigEndian>
unsigned char* PutUtf16Unit(unsigned char* o, std::uint32_t unit) noexcept
{
    return kBigEndian ? PutTwoBytes(o, unit >> 8, unit & 0xFF) : PutTwoBytes(o, unit & 0xFF, unit >> 8);
}

template <bool kBigEndian>
size_t EncodeUtf16Units(const wchar_t*& in, const wchar_t* end, unsigned char* out, size_t capacity) noexcept
{
    unsigned char* o = out;
    unsigned char* const oEnd = out + capacity;
    while (in < end && static_cast<size_t>(oEnd - o) >= kMaxEncodedUnitBytes) {
        std::uint32_t code = static_cast<std::uint32_t>(*in++);
        if (code > 0x10FFFF) code = 0xFFFD;
        if (code <= 0xFFFF) {
            o = PutUtf16Unit<kBigEndian>(o, code);
        } else {
            code -= 0x10000;
            o = PutUtf16Unit<kBigEndian>(o, 0xD800 + (code >> 10));
            o = PutUtf16Unit<kBigEndian>(o, 0xDC00 + (code & 0x3FF));
        }
    }
    return static_cast<size_t>(o - out);
}

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

size_t DecodeUtf16(bool bBigEndian, const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                   size_t capacity) noexcept
{
    return bBigEndian ? DecodeUtf16Units<true>(p, end, bAtEnd, out, capacity)
                      : DecodeUtf16Units<false>(p, end, bAtEnd, out, capacity);
}

size_t EncodeUtf8(const wchar_t*& in, const wchar_t* end, unsigned char* out, size_t capacity, bool bAtEnd) noexcept
{
    return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutUtf8);
}

size_t EncodeUtf16(bool bBigEndian, const wchar_t*& in, const wchar_t* end, unsigned char* out,
                   size_t capacity) noexcept
{
    return bBigEndian ? EncodeUtf16Units<true>(in, end, out, capacity)
                      : EncodeUtf16Units<false>(in, end, out, capacity);
}

} // namespace htmlfile_text::codec
