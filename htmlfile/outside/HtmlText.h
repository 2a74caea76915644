// Byte-level helpers of the tag scanner: counting the wide-character units
// of a UTF-8 stream, decoding it leniently to wide characters, and decoding
// character references in collected text.
//
// The scanner must count and decode whatever bytes it is fed, not only valid
// UTF-8: the document re-encodes lone surrogates and other values up to
// 0x7FFFFFFF in the long forms of the original UTF-8 design, and files may
// hold stray bytes. One rule serves both the counter and the decoder: every
// byte that is not a continuation byte (10xxxxxx) starts a unit; a
// continuation byte joins the unit before it while that unit's lead byte
// still expects one; any other continuation byte is a unit of its own.
#pragma once

#include <htmlfile/outside/TextEncoding.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace htmlscan {

// True where wchar_t holds UTF-16 code units, so that a character above
// U+FFFF takes two of them.
constexpr bool kUtf16WideChars = sizeof(wchar_t) == 2;

// Number of continuation bytes a lead byte announces (0 for ASCII, stray
// continuation bytes and 0xFE/0xFF).
inline unsigned ContinuationsAfter(unsigned char lead) noexcept
{
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF8) return 3;
    if (lead < 0xFC) return 4;
    if (lead < 0xFE) return 5;
    return 0;
}

inline bool IsContinuation(unsigned char byte) noexcept
{
    return (byte & 0xC0) == 0x80;
}

inline bool AreContinuations(const unsigned char* p, unsigned count) noexcept
{
    for (unsigned i = 0; i < count; ++i)
        if (!IsContinuation(p[i])) return false;
    return true;
}

// Counts units across any number of blocks; a sequence may be split between
// two blocks.
class UnitCounter {
public:
    void Reset() noexcept { *this = UnitCounter(); }
    long long Units() const noexcept { return m_units; }

    // Counts [p, end) like Count, where the bytes of [readable, readableEnd)
    // around it may be read as well: sixteen at a time, with no branch per
    // sequence. Where every lead byte in the range has all the
    // continuation bytes it announces right behind it and every
    // continuation byte belongs to such a lead, the units are the bytes
    // that are not continuation bytes; anything else (a stray byte, a
    // sequence cut by the range, leads of five or six bytes) is counted by
    // Count.
    void CountWithin(const unsigned char* p, const unsigned char* end, const unsigned char* readable,
                     const unsigned char* readableEnd) noexcept
    {
#if defined(__SSE2__)
        if (!kUtf16WideChars && m_expected == 0 && readableEnd - readable >= 16) {
            long long units = 0;
            std::uint32_t carry = 0; // continuation bytes expected from p on
            const __m128i continuationBits = _mm_set1_epi8(static_cast<char>(0xC0));
            const __m128i continuation = _mm_set1_epi8(static_cast<char>(0x80));
            bool regular = true;
            for (const unsigned char* q = p; q < end && regular;) {
                // The sixteen bytes from q, or the last sixteen readable.
                const unsigned char* window = readableEnd - q >= 16 ? q : readableEnd - 16;
                const unsigned first = static_cast<unsigned>(q - window);
                const unsigned take = std::min<unsigned>(static_cast<unsigned>(end - q), 16 - first);
                const std::uint32_t range = ((1u << take) - 1) << first;
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
                const std::uint32_t high = static_cast<std::uint32_t>(_mm_movemask_epi8(bytes)) & range;
                if (high == 0 && carry == 0) { // ASCII only
                    units += take;
                    q += take;
                    continue;
                }
                auto atLeast = [&bytes](unsigned char lowest) {
                    const __m128i max = _mm_max_epu8(bytes, _mm_set1_epi8(static_cast<char>(lowest)));
                    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(max, bytes)));
                };
                const std::uint32_t cont = static_cast<std::uint32_t>(_mm_movemask_epi8(
                                               _mm_cmpeq_epi8(_mm_and_si128(bytes, continuationBits), continuation))) &
                                           range;
                const std::uint32_t f8 = atLeast(0xF8);
                const std::uint32_t needs1 = atLeast(0xC0) & ~f8 & range;
                const std::uint32_t needs2 = atLeast(0xE0) & ~f8 & range;
                const std::uint32_t needs3 = atLeast(0xF0) & ~f8 & range;
                const std::uint32_t longLeads = f8 & ~atLeast(0xFE) & range;
                const std::uint32_t expected = (needs1 << 1) | (needs2 << 2) | (needs3 << 3) | (carry << first);
                regular = longLeads == 0 && (expected & range) == cont;
                units += static_cast<long long>(take) - __builtin_popcount(cont);
                carry = expected >> (first + take);
                q += take;
            }
            if (regular && carry == 0) {
                m_units += units;
                return;
            }
        }
#else
        (void)readable;
        (void)readableEnd;
#endif
        Count(p, end);
    }

    // Gives the same count as CountOne byte by byte, faster for what is
    // common: runs of ASCII and whole sequences that a block holds entire.
    void Count(const unsigned char* p, const unsigned char* end) noexcept
    {
        // Finish a sequence that the previous block cut.
        while (p < end && m_expected) CountOne(*p++);
        // From here on no sequence is open at the top of the loop.
        while (p < end) {
            const size_t ascii = htmlfile_text::AsciiPrefix(p, static_cast<size_t>(end - p));
            m_units += static_cast<long long>(ascii);
            p += ascii;
            if (p == end) break;
            const unsigned continuations = ContinuationsAfter(*p);
            // Where wchar_t is 16 bits a four-byte sequence may count twice;
            // it goes through CountOne, which knows.
            if (continuations != 0 && (!kUtf16WideChars || continuations < 3) &&
                static_cast<size_t>(end - p) > continuations && AreContinuations(p + 1, continuations)) {
                ++m_units;
                p += 1 + continuations;
                continue;
            }
            CountOne(*p++);
            while (p < end && m_expected) CountOne(*p++);
        }
    }

    void CountOne(unsigned char byte) noexcept
    {
        if (IsContinuation(byte) && m_expected) {
            --m_expected;
            if constexpr (kUtf16WideChars) {
                m_value = (m_value << 6) | (byte & 0x3F);
                // A character above U+FFFF becomes a surrogate pair.
                if (!m_expected && m_lead4 && m_value >= 0x10000 && m_value <= 0x10FFFF) ++m_units;
            }
            return;
        }
        ++m_units;
        m_expected = ContinuationsAfter(byte);
        if constexpr (kUtf16WideChars) {
            m_lead4 = m_expected == 3;
            m_value = byte & 0x07;
        }
    }

private:
    long long m_units = 0;
    unsigned m_expected = 0;
    // Used only where wchar_t is 16 bits wide.
    bool m_lead4 = false;
    std::uint32_t m_value = 0;
};

// Decodes n bytes into out, which has room for n wide characters, and
// returns the number written. Malformed or overlong sequences and stray
// bytes give U+FFFD, one per unit; so does NUL, which would cut the string.
size_t DecodeUtf8(const char* p, size_t n, wchar_t* out);

// The same, inline for what a tag mostly holds: a short run of ASCII.
inline size_t DecodeTagUtf8(const char* p, size_t n, wchar_t* out)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(p);
    size_t i = 0;
    // Bytes 1 to 0x7F stand for themselves (NUL does not, see above).
    for (; i < n && static_cast<unsigned>(bytes[i]) - 1 < 0x7F; ++i) out[i] = static_cast<wchar_t>(bytes[i]);
    return i == n ? n : i + DecodeUtf8(p + i, n - i, out + i);
}

// Appends character data to out: the bytes decoded as DecodeUtf8 does, with
// character references (&#NN; &#xNN; &name;) replaced as HTML does in text.
void AppendDecodedText(std::wstring& out, const char* p, size_t n);

} // namespace htmlscan
