#include <htmlfile/text/TextEncoding.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace htmlfile_text {
namespace {

// windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// unassigned map to the C1 control of the same value, so that every byte has
// a character and that character encodes back to the byte.
constexpr wchar_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr unsigned char kUtf16LEMark[] = {0xFF, 0xFE};
constexpr unsigned char kUtf16BEMark[] = {0xFE, 0xFF};

bool IsHighSurrogate(std::uint32_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsScalarValue(std::uint32_t c) noexcept { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

// wchar_t is signed; a negative value must not look like a small code point.
std::uint32_t CodePointOf(wchar_t ch) noexcept { return static_cast<std::uint32_t>(ch); }

// What a UTF-8 lead byte announces: the sequence length (0: not a lead byte)
// and the range allowed for the byte after it. Narrowing that second byte is
// what rules out overlong forms, surrogates and values above U+10FFFF.
struct Utf8LeadRule {
    int length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

Utf8LeadRule RuleForLead(unsigned char lead) noexcept
{
    if (lead < 0x80) return {1, 0, 0};
    if (lead < 0xC2) return {0, 0, 0}; // a continuation byte, or the lead of an overlong pair
    if (lead < 0xE0) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead < 0xF0) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead < 0xF4) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// One sequence starting at a non-ASCII byte. A byte that does not begin a
// well-formed sequence is delivered alone as kRawByteBase + the byte, which
// the UTF-8 encoder writes back as that byte: a file marked as UTF-8 that
// holds stray bytes (a windows-1252 letter, say) keeps them through a save.
wchar_t DecodeUtf8Sequence(const unsigned char*& p, const unsigned char* end) noexcept
{
    const unsigned char* const lead = p++;
    const Utf8LeadRule rule = RuleForLead(*lead);
    const auto rawLead = static_cast<wchar_t>(kRawByteBase + *lead);
    if (rule.length == 0) return rawLead;
    std::uint32_t code = *lead & (0xFFu >> (rule.length + 1));
    unsigned char low = rule.secondLow;
    unsigned char high = rule.secondHigh;
    for (int i = 1; i < rule.length; ++i) {
        if (p == end || *p < low || *p > high) {
            p = lead + 1;
            return rawLead;
        }
        code = (code << 6) | (*p++ & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return static_cast<wchar_t>(code);
}

// Passes whole chunks of sixteen bytes of well-formed UTF-8 from p, where no
// sequence may be open, while the units passed stay within maxUnits.
// Returns the point reached, after which no sequence is open, and adds the
// units before it to *pUnits; the caller goes on sequence by sequence from
// there. A chunk is checked at once, without a branch per sequence: every
// lead byte must have all the continuation bytes it announces right behind
// it, every continuation byte must belong to such a lead, and the second
// byte after E0, ED, F0 and F4 must lie in the narrower range that rules
// out overlong forms, surrogates and values above U+10FFFF.
const unsigned char* PassWellFormedChunks(const unsigned char* p, const unsigned char* end, size_t maxUnits,
                                          size_t* pUnits) noexcept
{
#if defined(__SSE2__)
    size_t units = 0;
    const unsigned char* boundary = p; // the last point with no sequence open
    size_t unitsAtBoundary = 0;
    std::uint32_t carry = 0; // continuation bytes expected in the next chunk
    std::uint32_t afterE0 = 0, afterED = 0, afterF0 = 0, afterF4 = 0; // second bytes expected there
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(bytes) == 0 && carry == 0) { // ASCII only
            if (units + 16 > maxUnits) break;
            units += 16;
        } else {
            auto atLeast = [&bytes](unsigned char lowest) { return AtLeastMask(bytes, lowest); };
            auto equal = [&bytes](unsigned char value) {
                return static_cast<std::uint32_t>(
                    _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(value)))));
            };
            const std::uint32_t cont = ContinuationMask(bytes);
            const std::uint32_t c2 = atLeast(0xC2), e0 = atLeast(0xE0), f0 = atLeast(0xF0), f5 = atLeast(0xF5);
            const std::uint32_t leads = c2 & ~f5;                 // C2..F4
            const std::uint32_t longer = e0 & ~f5;                // E0..F4
            const std::uint32_t longest = f0 & ~f5;               // F0..F4
            const std::uint32_t expected = (leads << 1) | (longer << 2) | (longest << 3) | carry;
            const std::uint32_t secondE0 = (equal(0xE0) << 1) | afterE0;
            const std::uint32_t secondED = (equal(0xED) << 1) | afterED;
            const std::uint32_t secondF0 = (equal(0xF0) << 1) | afterF0;
            const std::uint32_t secondF4 = (equal(0xF4) << 1) | afterF4;
            const std::uint32_t a0 = atLeast(0xA0), b90 = atLeast(0x90);
            const std::uint32_t narrowed = (secondE0 & ~a0) | (secondED & a0) | (secondF0 & ~b90) | (secondF4 & b90);
            const std::uint32_t bad = (atLeast(0xC0) & ~c2) | f5 | ((expected ^ cont) & 0xFFFF) | (narrowed & 0xFFFF);
            if (bad != 0) break;
            const size_t chunkUnits = 16 - PopCount16(cont);
            if (units + chunkUnits > maxUnits) break;
            units += chunkUnits;
            carry = expected >> 16;
            afterE0 = secondE0 >> 16;
            afterED = secondED >> 16;
            afterF0 = secondF0 >> 16;
            afterF4 = secondF4 >> 16;
        }
        if (carry == 0) {
            boundary = p + 16;
            unitsAtBoundary = units;
        }
    }
    *pUnits += unitsAtBoundary;
    return boundary;
#else
    (void)end;
    (void)maxUnits;
    (void)pUnits;
    return p;
#endif
}

size_t DecodeUtf8(const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                  size_t capacity) noexcept
{
    wchar_t* o = out;
    wchar_t* const oEnd = out + capacity;
    while (o < oEnd && p < end) {
        const size_t nAscii = WidenAscii(p, std::min<size_t>(end - p, oEnd - o), o);
        p += nAscii;
        o += nAscii;
        if (p == end || o == oEnd) break;
        if (static_cast<size_t>(end - p) < kMaxBytesPerDecodedUnit) {
            if (!bAtEnd) break;
            *o++ = DecodeUtf8Sequence(p, end);
            continue;
        }
        // Well-formed two- and three-byte sequences (Latin, Greek,
        // Cyrillic, CJK) without the table walk; E0 and ED need the
        // narrowed second-byte range and take the general path.
        const unsigned char lead = *p;
        if (lead >= 0xC2 && lead < 0xE0 && IsContinuationByte(p[1])) {
            *o++ = static_cast<wchar_t>(((lead & 0x1Fu) << 6) | (p[1] & 0x3Fu));
            p += 2;
        } else if (lead > 0xE0 && lead < 0xF0 && lead != 0xED && IsContinuationByte(p[1]) && IsContinuationByte(p[2])) {
            *o++ = static_cast<wchar_t>(((lead & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu));
            p += 3;
        } else {
            *o++ = DecodeUtf8Sequence(p, end);
        }
    }
    return static_cast<size_t>(o - out);
}

size_t DecodeWindows1252(const unsigned char*& p, const unsigned char* end, wchar_t* out, size_t capacity) noexcept
{
    wchar_t* o = out;
    wchar_t* const oEnd = out + capacity;
    while (o < oEnd && p < end) {
        const unsigned char byte = *p++;
        *o++ = byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
    }
    return static_cast<size_t>(o - out);
}

template <bool kBigEndian>
std::uint32_t ReadUtf16Unit(const unsigned char* p) noexcept
{
    return kBigEndian ? (std::uint32_t{p[0]} << 8) | p[1] : (std::uint32_t{p[1]} << 8) | p[0];
}

template <bool kBigEndian>
size_t DecodeUtf16(const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                   size_t capacity) noexcept
{
    wchar_t* o = out;
    wchar_t* const oEnd = out + capacity;
    while (o < oEnd && p < end) {
        const size_t available = static_cast<size_t>(end - p);
        // Four bytes: a high surrogate needs to see whether a low one follows.
        if (!bAtEnd && available < kMaxBytesPerDecodedUnit) break;
        if (available == 1) {
            *o++ = kRawByteBase + *p++;
            continue;
        }
        std::uint32_t unit = ReadUtf16Unit<kBigEndian>(p);
        p += 2;
        if (IsHighSurrogate(unit) && end - p >= 2) {
            const std::uint32_t next = ReadUtf16Unit<kBigEndian>(p);
            if (IsLowSurrogate(next)) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
                p += 2;
            }
        }
        *o++ = static_cast<wchar_t>(unit);
    }
    return static_cast<size_t>(o - out);
}

unsigned char* PutUtf8(unsigned char* o, std::uint32_t code) noexcept
{
    if (code - CodePointOf(kRawByteBase) < 0x100) {
        *o++ = static_cast<unsigned char>(code - CodePointOf(kRawByteBase));
        return o;
    }
    if (!IsScalarValue(code)) code = kReplacementCharacter;
    if (code < 0x80) {
        *o++ = static_cast<unsigned char>(code);
    } else if (code < 0x800) {
        *o++ = static_cast<unsigned char>(0xC0 | (code >> 6));
        *o++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *o++ = static_cast<unsigned char>(0xE0 | (code >> 12));
        *o++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
    } else {
        *o++ = static_cast<unsigned char>(0xF0 | (code >> 18));
        *o++ = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
    }
    return o;
}

// The windows-1252 byte for a character, or -1 when the code page has none.
int Windows1252ByteFor(std::uint32_t code) noexcept
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
    for (int i = 0; i < 32; ++i)
        if (CodePointOf(kWindows1252High[i]) == code) return 0x80 + i;
    return -1;
}

// "&#N;". A value that is no Unicode scalar value has no reference of its
// own, so it is written as the replacement character's.
unsigned char* PutCharacterReference(unsigned char* o, std::uint32_t code) noexcept
{
    if (!IsScalarValue(code)) code = kReplacementCharacter;
    char digits[8];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + code % 10);
        code /= 10;
    } while (code != 0);
    *o++ = '&';
    *o++ = '#';
    while (count > 0) *o++ = static_cast<unsigned char>(digits[--count]);
    *o++ = ';';
    return o;
}

unsigned char* PutWindows1252(unsigned char* o, std::uint32_t code) noexcept
{
    const int byte = Windows1252ByteFor(code);
    if (byte < 0) return PutCharacterReference(o, code);
    *o++ = static_cast<unsigned char>(byte);
    return o;
}

template <bool kBigEndian>
unsigned char* PutUtf16Unit(unsigned char* o, std::uint32_t unit) noexcept
{
    const auto high = static_cast<unsigned char>(unit >> 8);
    const auto low = static_cast<unsigned char>(unit & 0xFF);
    *o++ = kBigEndian ? high : low;
    *o++ = kBigEndian ? low : high;
    return o;
}

// Lone surrogates are written as they are, so that a UTF-16 file that holds
// them is written back unchanged.
template <bool kBigEndian>
unsigned char* PutUtf16(unsigned char* o, std::uint32_t code) noexcept
{
    if (code <= 0xFFFF) return PutUtf16Unit<kBigEndian>(o, code);
    if (code <= 0x10FFFF) {
        code -= 0x10000;
        o = PutUtf16Unit<kBigEndian>(o, 0xD800 + (code >> 10));
        return PutUtf16Unit<kBigEndian>(o, 0xDC00 + (code & 0x3FF));
    }
    if (code - CodePointOf(kRawByteBase) < 0x100) {
        *o++ = static_cast<unsigned char>(code - CodePointOf(kRawByteBase));
        return o;
    }
    return PutUtf16Unit<kBigEndian>(o, kReplacementCharacter);
}

// kAsciiAsIs: the encoding writes ASCII as single bytes of the same value,
// which is most of any topic and worth a shortcut.
template <bool kAsciiAsIs, unsigned char* (*Put)(unsigned char*, std::uint32_t) noexcept>
size_t EncodeWith(const wchar_t*& in, const wchar_t* end, unsigned char* out, size_t capacity) noexcept
{
    unsigned char* o = out;
    unsigned char* const oEnd = out + capacity;
    while (in < end && static_cast<size_t>(oEnd - o) >= kMaxBytesPerEncodedUnit) {
        if (kAsciiAsIs) {
            // A run of ASCII, keeping the reserve a single unit needs.
            const size_t nAscii = NarrowAscii(in, std::min<size_t>(end - in, oEnd - o - kMaxBytesPerEncodedUnit), o);
            in += nAscii;
            o += nAscii;
            if (in == end) break;
        }
        const std::uint32_t code = CodePointOf(*in++);
        if (kAsciiAsIs && code < 0x80) *o++ = static_cast<unsigned char>(code);
        else o = Put(o, code);
    }
    return static_cast<size_t>(o - out);
}

} // namespace

ByteOrderMark DetectByteOrderMark(const unsigned char* bytes, size_t count) noexcept
{
    if (count >= 3 && std::memcmp(bytes, kUtf8Mark, 3) == 0) return {CkvuuStdioFile::encodingUtf8, 3};
    if (count >= 2 && std::memcmp(bytes, kUtf16LEMark, 2) == 0) return {CkvuuStdioFile::encodingUtf16LE, 2};
    if (count >= 2 && std::memcmp(bytes, kUtf16BEMark, 2) == 0) return {CkvuuStdioFile::encodingUtf16BE, 2};
    return {CkvuuStdioFile::encodingUtf8, 0};
}

const unsigned char* ByteOrderMarkBytes(Encoding encoding, size_t* pLength) noexcept
{
    switch (encoding) {
    case CkvuuStdioFile::encodingUtf8: *pLength = sizeof kUtf8Mark; return kUtf8Mark;
    case CkvuuStdioFile::encodingUtf16LE: *pLength = sizeof kUtf16LEMark; return kUtf16LEMark;
    case CkvuuStdioFile::encodingUtf16BE: *pLength = sizeof kUtf16BEMark; return kUtf16BEMark;
    default: *pLength = 0; return nullptr;
    }
}

bool Utf8Validator::Feed(const unsigned char* bytes, size_t count) noexcept
{
    const unsigned char* p = bytes;
    const unsigned char* const end = bytes + count;
    while (m_valid && p < end) {
        if (m_pending == 0) {
            size_t units = 0;
            p = PassWellFormedChunks(p, end, SIZE_MAX, &units);
            p += AsciiPrefix(p, static_cast<size_t>(end - p));
            if (p == end) break;
            const unsigned char lead = *p++;
            // The common two- and three-byte forms first; E0 and ED narrow
            // the second byte's range and take the general rule below.
            if (lead >= 0xC2 && lead < 0xE0 && end - p >= 1) {
                m_valid = IsContinuationByte(p[0]);
                p += 1;
                continue;
            }
            if (lead > 0xE0 && lead < 0xF0 && lead != 0xED && end - p >= 2) {
                m_valid = IsContinuationByte(p[0]) && IsContinuationByte(p[1]);
                p += 2;
                continue;
            }
            const Utf8LeadRule rule = RuleForLead(lead);
            // A sequence wholly inside this block is checked at once; one
            // cut by the block's end goes through the pending state.
            if (rule.length != 0 && end - p >= rule.length - 1) {
                bool bWellFormed = *p >= rule.secondLow && *p <= rule.secondHigh;
                for (int i = 1; i < rule.length - 1; ++i) bWellFormed = bWellFormed && IsContinuationByte(p[i]);
                m_valid = bWellFormed;
                p += rule.length - 1;
                continue;
            }
            m_valid = rule.length != 0;
            m_pending = rule.length - 1;
            m_low = rule.secondLow;
            m_high = rule.secondHigh;
        } else {
            const unsigned char next = *p++;
            m_valid = next >= m_low && next <= m_high;
            --m_pending;
            m_low = 0x80;
            m_high = 0xBF;
        }
    }
    return m_valid;
}

size_t MeasureWellFormedUtf8(const unsigned char* bytes, size_t count, size_t maxUnits, size_t* pUnits) noexcept
{
    const unsigned char* p = bytes;
    const unsigned char* const end = bytes + count;
    size_t units = 0;
    while (units < maxUnits && p < end) {
        p = PassWellFormedChunks(p, end, maxUnits - units, &units);
        const size_t ascii = AsciiPrefix(p, std::min<size_t>(end - p, maxUnits - units));
        p += ascii;
        units += ascii;
        if (units == maxUnits || p == end) break;
        const Utf8LeadRule rule = RuleForLead(*p);
        if (rule.length == 0 || end - p < rule.length) break;
        bool bWellFormed = p[1] >= rule.secondLow && p[1] <= rule.secondHigh;
        for (int i = 2; i < rule.length; ++i) bWellFormed = bWellFormed && IsContinuationByte(p[i]);
        if (!bWellFormed) break;
        p += rule.length;
        ++units;
    }
    *pUnits = units;
    return static_cast<size_t>(p - bytes);
}

size_t MeasureCheckedUtf8(const unsigned char* bytes, size_t count, size_t maxUnits, size_t* pUnits) noexcept
{
    const unsigned char* p = bytes;
    const unsigned char* const end = bytes + count;
    size_t units = 0;
#if defined(__SSE2__)
    // Every byte that is not a continuation byte begins a unit.
    for (; end - p >= 16; p += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const size_t leads = 16 - PopCount16(ContinuationMask(chunk));
        if (units + leads > maxUnits) break;
        units += leads;
    }
#endif
    // Up to the lead byte of the unit after the last one wanted...
    for (; p < end; ++p) {
        if (IsContinuationByte(*p)) continue;
        if (units == maxUnits) break;
        ++units;
    }
    // ...but not into a sequence that count cuts.
    if (p == end && p > bytes) {
        const unsigned char* last = end - 1;
        while (last > bytes && end - last < 4 && IsContinuationByte(*last)) --last;
        if (IsContinuationByte(*last)) {
            // No lead byte where one must be: the text is not what was
            // checked (the file changed); leave it to the decoder.
            *pUnits = 0;
            return 0;
        }
        const ptrdiff_t length = *last >= 0xF0 ? 4 : *last >= 0xE0 ? 3 : *last >= 0xC0 ? 2 : 1;
        if (end - last < length) {
            p = last;
            --units;
        }
    }
    *pUnits = units;
    return static_cast<size_t>(p - bytes);
}

size_t DecodeUnits(Encoding encoding, const unsigned char** pIn, const unsigned char* end, bool bAtEnd,
                   wchar_t* out, size_t capacity) noexcept
{
    switch (encoding) {
    case CkvuuStdioFile::encodingUtf16LE: return DecodeUtf16<false>(*pIn, end, bAtEnd, out, capacity);
    case CkvuuStdioFile::encodingUtf16BE: return DecodeUtf16<true>(*pIn, end, bAtEnd, out, capacity);
    case CkvuuStdioFile::encodingWindows1252: return DecodeWindows1252(*pIn, end, out, capacity);
    default: return DecodeUtf8(*pIn, end, bAtEnd, out, capacity);
    }
}

size_t EncodeUnits(Encoding encoding, const wchar_t** pIn, const wchar_t* end, unsigned char* out,
                   size_t capacity) noexcept
{
    switch (encoding) {
    case CkvuuStdioFile::encodingUtf16LE: return EncodeWith<false, PutUtf16<false>>(*pIn, end, out, capacity);
    case CkvuuStdioFile::encodingUtf16BE: return EncodeWith<false, PutUtf16<true>>(*pIn, end, out, capacity);
    case CkvuuStdioFile::encodingWindows1252: return EncodeWith<true, PutWindows1252>(*pIn, end, out, capacity);
    default: return EncodeWith<true, PutUtf8>(*pIn, end, out, capacity);
    }
}

} // namespace htmlfile_text
