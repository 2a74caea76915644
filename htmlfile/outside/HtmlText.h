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

// Counts units across any number of blocks; a sequence may be split between
// two blocks.
class UnitCounter {
public:
    void Reset() noexcept { *this = UnitCounter(); }
    long long Units() const noexcept { return m_units; }

    void Count(const unsigned char* p, const unsigned char* end) noexcept
    {
        while (p < end) {
            // Runs of ASCII are the common case: eight bytes at a time, each
            // one a unit (an ASCII byte also ends any open sequence).
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, sizeof word);
                if (word & 0x8080808080808080ull) break;
                m_units += 8;
                p += 8;
                m_expected = 0;
            }
            if (p == end) break;
            CountOne(*p++);
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

// Appends character data to out: the bytes decoded as DecodeUtf8 does, with
// character references (&#NN; &#xNN; &name;) replaced as HTML does in text.
void AppendDecodedText(std::wstring& out, const char* p, size_t n);

} // namespace htmlscan
