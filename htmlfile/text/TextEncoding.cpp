#include <htmlfile/text/TextEncoding.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace htmlfile_text {
namespace {

constexpr unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr unsigned char kUtf16LEMark[] = {0xFF, 0xFE};
constexpr unsigned char kUtf16BEMark[] = {0xFE, 0xFF};

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
#if HTMLFILE_HAVE_SSE2
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
            const size_t chunkUnits = 16 - PopCount16(cont) + (kUtf16Units ? PopCount16(longest) : 0);
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

} // namespace

ByteOrderMark DetectByteOrderMark(const unsigned char* bytes, size_t count) noexcept
{
    if (count >= 3 && std::memcmp(bytes, kUtf8Mark, 3) == 0) return {EncodingId::kUtf8, 3};
    if (count >= 2 && std::memcmp(bytes, kUtf16LEMark, 2) == 0) return {EncodingId::kUtf16LE, 2};
    if (count >= 2 && std::memcmp(bytes, kUtf16BEMark, 2) == 0) return {EncodingId::kUtf16BE, 2};
    return {EncodingId::kUtf8, 0};
}

const unsigned char* ByteOrderMarkBytes(Encoding encoding, size_t* pLength) noexcept
{
    switch (encoding) {
    case EncodingId::kUtf8: *pLength = sizeof kUtf8Mark; return kUtf8Mark;
    case EncodingId::kUtf16LE: *pLength = sizeof kUtf16LEMark; return kUtf16LEMark;
    case EncodingId::kUtf16BE: *pLength = sizeof kUtf16BEMark; return kUtf16BEMark;
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
        const size_t sequenceUnits = UnitsOfUtf8Sequence(static_cast<size_t>(rule.length));
        if (units + sequenceUnits > maxUnits) break;
        p += rule.length;
        units += sequenceUnits;
    }
    *pUnits = units;
    return static_cast<size_t>(p - bytes);
}

size_t MeasureCheckedUtf8(const unsigned char* bytes, size_t count, size_t maxUnits, size_t* pUnits) noexcept
{
    const unsigned char* p = bytes;
    const unsigned char* const end = bytes + count;
    size_t units = 0;
#if HTMLFILE_HAVE_SSE2
    // Every byte that is not a continuation byte begins a unit.
    for (; end - p >= 16; p += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        size_t chunkUnits = 16 - PopCount16(ContinuationMask(chunk));
        if constexpr (kUtf16Units) chunkUnits += PopCount16(AtLeastMask(chunk, 0xF0));
        if (units + chunkUnits > maxUnits) break;
        units += chunkUnits;
    }
#endif
    // Up to the lead byte of the unit after the last one wanted...
    for (; p < end; ++p) {
        if (IsContinuationByte(*p)) continue;
        const size_t sequenceUnits = UnitsOfUtf8Sequence(*p >= 0xF0 ? 4 : 1);
        if (units + sequenceUnits > maxUnits) break;
        units += sequenceUnits;
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
            units -= UnitsOfUtf8Sequence(static_cast<size_t>(length));
        }
    }
    *pUnits = units;
    return static_cast<size_t>(p - bytes);
}

} // namespace htmlfile_text
