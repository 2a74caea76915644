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

#include <htmlfile/platform/Export.h>
#include <htmlfile/text/TextEncoding.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace htmlscan {

// A growing run of bytes kept with realloc: the text of a tag that spans
// many blocks (one huge attribute value) grows in place where the system
// can extend the memory, instead of being copied at every doubling.
class GrowingBytes {
public:
    GrowingBytes() = default;
    GrowingBytes(const GrowingBytes&) = delete;
    GrowingBytes& operator=(const GrowingBytes&) = delete;
    ~GrowingBytes() { std::free(m_data); }

    const char* data() const noexcept { return m_data; }
    size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    size_t capacity() const noexcept { return m_capacity; }
    void clear() noexcept { m_size = 0; }

    void append(const char* bytes, size_t count)
    {
        if (count > m_capacity - m_size) Grow(m_size + count);
        std::memcpy(m_data + m_size, bytes, count);
        m_size += count;
    }
    void push_back(char byte)
    {
        if (m_size == m_capacity) Grow(m_size + 1);
        m_data[m_size++] = byte;
    }

    // Gives the memory back.
    void release() noexcept
    {
        std::free(m_data);
        m_data = nullptr;
        m_size = m_capacity = 0;
    }

private:
    void Grow(size_t needed)
    {
        const size_t capacity = (std::max)({needed, 2 * m_capacity, size_t{256}});
        void* grown = std::realloc(m_data, capacity);
        if (!grown) throw std::bad_alloc();
        m_data = static_cast<char*>(grown);
        m_capacity = capacity;
    }

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

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

using htmlfile_text::IsContinuationByte;

inline bool AreContinuations(const unsigned char* p, unsigned count) noexcept
{
    for (unsigned i = 0; i < count; ++i)
        if (!IsContinuationByte(p[i])) return false;
    return true;
}

// Counts units across any number of blocks; a sequence may be split between
// two blocks.
class UnitCounter {
public:
    void Reset() noexcept { *this = UnitCounter(); }
    long long Units() const noexcept { return m_units; }

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

    // Units counted elsewhere (see ContinuationIndex), at a point where no
    // sequence is open.
    void Add(long long units) noexcept { m_units += units; }
    bool AtSequenceBoundary() const noexcept { return m_expected == 0; }

    void CountOne(unsigned char byte) noexcept
    {
        if (IsContinuationByte(byte) && m_expected) {
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

// Positions in a block of regular UTF-8 without a walk over its sequences.
// A block is regular when every lead byte has all the continuation bytes it
// announces right behind it, every continuation byte belongs to such a lead,
// no lead announces more than three and no sequence is open at either end.
// The units from the start of such a block to any point in it are then the
// bytes minus the continuation bytes before that point, which the index
// gives in constant time after one pass over the block, sixteen bytes at a
// time. (Where wchar_t is 16 bits a four-byte sequence may be two units: no
// block is regular there.)
class HTMLFILE_API ContinuationIndex {
public:
    static constexpr size_t kLargestBlock = 64 * 1024;

    // Indexes [begin, end), at most kLargestBlock bytes; returns whether the
    // block is regular. Positions may be asked for only then.
    bool Build(const unsigned char* begin, const unsigned char* end) noexcept;

    // Continuation bytes in [begin, p) for p in [begin, end].
    size_t Before(const unsigned char* p) const noexcept
    {
        const size_t offset = static_cast<size_t>(p - m_begin);
        const size_t chunk = offset / 16;
        const unsigned within = static_cast<unsigned>(offset % 16);
        size_t count = m_before[chunk];
        if (within != 0) count += htmlfile_text::PopCount16(m_masks[chunk] & ((1u << within) - 1));
        return count;
    }

private:
    const unsigned char* m_begin = nullptr;
    // Continuation bytes before each chunk of sixteen, and where they are
    // within it (bit i: byte i).
    std::uint32_t m_before[kLargestBlock / 16 + 2] = {};
    std::uint16_t m_masks[kLargestBlock / 16 + 1] = {};
};

// Decodes n bytes into out, which has room for n wide characters, and
// returns the number written. Malformed or overlong sequences and stray
// bytes give U+FFFD, one per unit; so does NUL, which would cut the string.
HTMLFILE_API size_t DecodeUtf8(const char* p, size_t n, wchar_t* out);

// The run of bytes 1 to 0x7F at the start of [p, p + n), widened into out
// (which has room for n); returns its length. NUL does not stand for
// itself (see above).
inline size_t WidenAsciiText(const unsigned char* p, size_t n, wchar_t* out) noexcept
{
    return htmlfile_text::WidenAscii</*kNulEnds=*/true>(p, n, out);
}

// The same, inline for what a tag mostly holds: a short run of ASCII.
inline size_t DecodeTagUtf8(const char* p, size_t n, wchar_t* out)
{
    const size_t run = WidenAsciiText(reinterpret_cast<const unsigned char*>(p), n, out);
    return run == n ? n : run + DecodeUtf8(p + run, n - run, out + run);
}

// Appends character data to out: the bytes decoded as DecodeUtf8 does, with
// character references (&#NN; &#xNN; &name;) replaced as HTML does in text.
HTMLFILE_API void AppendDecodedText(std::wstring& out, const char* p, size_t n);

} // namespace htmlscan
