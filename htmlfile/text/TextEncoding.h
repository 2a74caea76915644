// Byte-level helpers behind the text file class: byte-order marks, the
// strict UTF-8 check that decides how a file without a declaration is read,
// the measure of well-formed UTF-8 that lets UTF-8 be read in place, and
// the ASCII fast paths shared with the codecs (Encodings.h) and the scanner.
#pragma once

#include <htmlfile/platform/Bits.h>
#include <htmlfile/platform/Export.h>
#include <htmlfile/text/Encodings.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#if HTMLFILE_HAVE_SSE2
#include <emmintrin.h>
#endif

namespace htmlfile_text {

using Encoding = EncodingId;

constexpr wchar_t kReplacementCharacter = 0xFFFD;
// Positions count wchar_t units: UTF-32 where wchar_t has 32 bits, UTF-16
// where it has 16, and there a character above U+FFFF (a four-byte UTF-8
// sequence) takes two.
constexpr bool kUtf16Units = sizeof(wchar_t) == 2;
constexpr size_t UnitsOfUtf8Sequence(size_t nBytes) noexcept
{
    return kUtf16Units && nBytes == 4 ? 2 : 1;
}
// Longest UTF-8 sequence.
constexpr size_t kMaxUtf8Bytes = 4;

// Most of a topic is ASCII, and every pass over its text (the UTF-8 check,
// decoding, encoding, the scanner's position count) goes faster when runs
// of ASCII are handled sixteen units at a time. Each helper returns the
// length of the ASCII run at the start of its input (at most count). The
// two that copy store that run converted in out[0, run) and may also write
// anything to out[run, count), which the caller overwrites next.

// Bits set in a 16-bit mask. The processors the library is built for by
// default have no population count instruction (the compiler's builtin
// then calls a library routine): a table of the counts of a byte.
struct ByteBitCounts {
    unsigned char counts[256] = {};
    constexpr ByteBitCounts()
    {
        for (unsigned i = 1; i < 256; ++i) counts[i] = static_cast<unsigned char>((i & 1) + counts[i / 2]);
    }
};
inline constexpr ByteBitCounts kByteBitCounts{};

inline unsigned PopCount16(std::uint32_t x) noexcept
{
    return kByteBitCounts.counts[x & 0xFF] + kByteBitCounts.counts[(x >> 8) & 0xFF];
}

// A UTF-8 continuation byte, 10xxxxxx.
inline bool IsContinuationByte(unsigned char byte) noexcept
{
    return (byte & 0xC0) == 0x80;
}

#if HTMLFILE_HAVE_SSE2
// Masks over sixteen bytes, bit i for byte i: the continuation bytes, and
// the bytes at least `lowest`.
inline std::uint32_t ContinuationMask(__m128i bytes) noexcept
{
    const __m128i top = _mm_and_si128(bytes, _mm_set1_epi8(static_cast<char>(0xC0)));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(top, _mm_set1_epi8(static_cast<char>(0x80)))));
}

inline std::uint32_t AtLeastMask(__m128i bytes, unsigned char lowest) noexcept
{
    const __m128i max = _mm_max_epu8(bytes, _mm_set1_epi8(static_cast<char>(lowest)));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(max, bytes)));
}
#endif

// Length of the run of ASCII bytes at the start of [in, in + count).
inline size_t AsciiPrefix(const unsigned char* in, size_t count) noexcept
{
    size_t done = 0;
#if HTMLFILE_HAVE_SSE2
    for (; count - done >= 16; done += 16) {
        const int mask = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done)));
        if (mask != 0) return done + htmlfile_platform::CountTrailingZeros(static_cast<unsigned>(mask));
    }
#endif
    for (; count - done >= 8; done += 8) {
        std::uint64_t word;
        std::memcpy(&word, in + done, sizeof word);
        if (word & 0x8080808080808080ULL) break;
    }
    while (done < count && in[done] < 0x80) ++done;
    return done;
}

// Bytes to wchar_t units. With kNulEnds, NUL ends the run as a byte with
// its top bit set does (the scanner's text, where NUL is no character).
template <bool kNulEnds = false>
inline size_t WidenAscii(const unsigned char* in, size_t count, wchar_t* out) noexcept
{
    size_t done = 0;
#if HTMLFILE_HAVE_SSE2
    if constexpr (sizeof(wchar_t) == 4) {
        const __m128i zero = _mm_setzero_si128();
        for (; count - done >= 16; done += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
            const __m128i low = _mm_unpacklo_epi8(bytes, zero);
            const __m128i high = _mm_unpackhi_epi8(bytes, zero);
            auto* o = reinterpret_cast<__m128i*>(out + done);
            _mm_storeu_si128(o, _mm_unpacklo_epi16(low, zero));
            _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(low, zero));
            _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(high, zero));
            _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(high, zero));
            int mask = _mm_movemask_epi8(bytes); // bytes with the top bit set
            if constexpr (kNulEnds) mask |= _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero));
            if (mask != 0) return done + htmlfile_platform::CountTrailingZeros(static_cast<unsigned>(mask));
        }
    } else {
        const __m128i zero = _mm_setzero_si128();
        for (; count - done >= 16; done += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
            auto* o = reinterpret_cast<__m128i*>(out + done);
            _mm_storeu_si128(o, _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(o + 1, _mm_unpackhi_epi8(bytes, zero));
            int mask = _mm_movemask_epi8(bytes);
            if constexpr (kNulEnds) mask |= _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero));
            if (mask != 0) return done + htmlfile_platform::CountTrailingZeros(static_cast<unsigned>(mask));
        }
    }
#endif
    // Eight at a time while none has its top bit set (nor is NUL, which
    // borrows in the subtraction and so sets a top bit).
    for (; count - done >= 8; done += 8) {
        std::uint64_t word;
        std::memcpy(&word, in + done, sizeof word);
        const std::uint64_t stops = kNulEnds ? (word - 0x0101010101010101ULL) | word : word;
        if (stops & 0x8080808080808080ULL) break;
        for (size_t k = 0; k < 8; ++k) out[done + k] = static_cast<wchar_t>(in[done + k]);
    }
    for (; done < count && in[done] < 0x80 && (!kNulEnds || in[done] != 0); ++done)
        out[done] = static_cast<wchar_t>(in[done]);
    return done;
}

// wchar_t units to bytes.
inline size_t NarrowAscii(const wchar_t* in, size_t count, unsigned char* out) noexcept
{
    size_t done = 0;
#if HTMLFILE_HAVE_SSE2
    if constexpr (sizeof(wchar_t) == 4) {
        const __m128i notAscii = _mm_set1_epi32(~0x7F);
        const __m128i zero = _mm_setzero_si128();
        for (; count - done >= 16; done += 16) {
            const auto* units = reinterpret_cast<const __m128i*>(in + done);
            const __m128i a = _mm_loadu_si128(units);
            const __m128i b = _mm_loadu_si128(units + 1);
            const __m128i c = _mm_loadu_si128(units + 2);
            const __m128i d = _mm_loadu_si128(units + 3);
            // ASCII units pack to themselves; the others to bytes that the
            // mask below leaves out of the run.
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), bytes);
            // All ones in the lanes of ASCII units, narrowed to one byte each.
            const __m128i asciiAB = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_and_si128(a, notAscii), zero),
                                                    _mm_cmpeq_epi32(_mm_and_si128(b, notAscii), zero));
            const __m128i asciiCD = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_and_si128(c, notAscii), zero),
                                                    _mm_cmpeq_epi32(_mm_and_si128(d, notAscii), zero));
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(asciiAB, asciiCD)));
            if (mask != 0xFFFF) return done + htmlfile_platform::CountTrailingZeros(~mask);
        }
    } else {
        const __m128i notAscii = _mm_set1_epi16(~0x7F);
        const __m128i zero = _mm_setzero_si128();
        for (; count - done >= 16; done += 16) {
            const auto* units = reinterpret_cast<const __m128i*>(in + done);
            const __m128i a = _mm_loadu_si128(units);
            const __m128i b = _mm_loadu_si128(units + 1);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), _mm_packus_epi16(a, b));
            const __m128i ascii = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(a, notAscii), zero),
                                                  _mm_cmpeq_epi16(_mm_and_si128(b, notAscii), zero));
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(ascii));
            if (mask != 0xFFFF) return done + htmlfile_platform::CountTrailingZeros(~mask);
        }
    }
#endif
    for (; done < count && static_cast<std::uint32_t>(in[done]) < 0x80; ++done)
        out[done] = static_cast<unsigned char>(in[done]);
    return done;
}

struct ByteOrderMark {
    Encoding encoding;
    size_t length; // 0: the bytes start with no mark
};

// The byte-order mark at the start of bytes, if any.
HTMLFILE_API ByteOrderMark DetectByteOrderMark(const unsigned char* bytes, size_t count) noexcept;

// The mark written in front of text in an encoding; only UTF-8 and UTF-16
// have one (the others: length 0).
HTMLFILE_API const unsigned char* ByteOrderMarkBytes(Encoding encoding, size_t* pLength) noexcept;

// Checks that bytes fed block by block are UTF-8 throughout: no overlong
// forms, no surrogates, nothing above U+10FFFF, no sequence left unfinished.
class HTMLFILE_API Utf8Validator {
public:
    // Returns false once the bytes seen so far can't be UTF-8.
    bool Feed(const unsigned char* bytes, size_t count) noexcept;
    // True when everything fed is UTF-8 and ends on a sequence boundary.
    bool Finish() const noexcept { return m_valid && m_pending == 0; }

private:
    bool m_valid = true;
    int m_pending = 0; // continuation bytes still expected
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
};

// The well-formed UTF-8 at the start of [bytes, bytes + count), up to
// maxUnits wchar_t units: returns its length in bytes and stores the number
// of units in *pUnits (see kUtf16Units). Stops early at the first byte that begins no
// well-formed sequence, and at a sequence that count cuts.
HTMLFILE_API size_t MeasureWellFormedUtf8(const unsigned char* bytes, size_t count, size_t maxUnits,
                                          size_t* pUnits) noexcept;

// The same for text known to be UTF-8 throughout (checked when the file was
// opened): counts the units without checking them again, and stops before a
// sequence that count cuts.
HTMLFILE_API size_t MeasureCheckedUtf8(const unsigned char* bytes, size_t count, size_t maxUnits,
                                       size_t* pUnits) noexcept;

} // namespace htmlfile_text
