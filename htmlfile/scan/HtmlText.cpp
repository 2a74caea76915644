// Decoding of the bytes the tag scanner collects: lenient UTF-8 and the
// character references of HTML text.
#include <htmlfile/scan/HtmlText.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace htmlscan {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct NamedReference {
    const char* name;
    char32_t first;
    char32_t second;
};

const NamedReference kNamedReferences[] = {
#include <htmlfile/scan/HtmlEntityTable.inc>
};

// Longest name in the table ("CounterClockwiseContourIntegral;").
constexpr size_t kLongestName = 32;

// Smallest value each sequence length may carry; anything below is an
// overlong form and decodes to U+FFFD.
constexpr char32_t kSmallestValue[6] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};

// Characters that numeric references in the range 0x80-0x9F stand for:
// authors meant windows-1252 there. Zero keeps the value as it is.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsAsciiAlphanumeric(unsigned char c) noexcept
{
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

int HexDigitValue(unsigned char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    c |= 0x20;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Writes one character; where wchar_t is 16 bits a character above U+FFFF
// becomes a surrogate pair and one beyond U+10FFFF becomes U+FFFD.
wchar_t* PutChar(wchar_t* out, char32_t value) noexcept
{
    if constexpr (kUtf16WideChars) {
        if (value > 0x10FFFF) value = kReplacement;
        if (value >= 0x10000) {
            value -= 0x10000;
            *out++ = static_cast<wchar_t>(0xD800 + (value >> 10));
            *out++ = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
            return out;
        }
    }
    *out++ = static_cast<wchar_t>(value);
    return out;
}

void AppendChar(std::wstring& out, char32_t value)
{
    wchar_t units[2];
    out.append(units, static_cast<size_t>(PutChar(units, value) - units));
}

// Decodes the unit that starts at p[i]; advances i past it.
char32_t DecodeUnit(const unsigned char* p, size_t n, size_t& i) noexcept
{
    const unsigned char lead = p[i++];
    if (lead < 0x80) return lead ? lead : kReplacement;
    const unsigned expected = ContinuationsAfter(lead);
    if (!expected) return kReplacement; // stray continuation byte, 0xFE or 0xFF
    char32_t value = lead & (0x3F >> expected);
    unsigned found = 0;
    while (found < expected && i < n && IsContinuationByte(p[i])) {
        value = (value << 6) | (p[i++] & 0x3F);
        ++found;
    }
    if (found < expected || value < kSmallestValue[expected]) return kReplacement;
    return value;
}

int CompareName(const char* tableName, const char* key, size_t keyLength) noexcept
{
    const int order = std::strncmp(tableName, key, keyLength);
    if (order) return order;
    return tableName[keyLength] ? 1 : 0;
}

const NamedReference* FindName(const char* key, size_t keyLength) noexcept
{
    const NamedReference* first = std::begin(kNamedReferences);
    const NamedReference* last = std::end(kNamedReferences);
    const NamedReference* found = std::lower_bound(first, last, key, [keyLength](const NamedReference& entry, const char* k) {
        return CompareName(entry.name, k, keyLength) < 0;
    });
    return found != last && CompareName(found->name, key, keyLength) == 0 ? found : nullptr;
}

// Named reference at p[0] == '&': the longest name of the table that the
// text starts with, with or without its ';' (in text HTML also takes the
// legacy names that lack one). Returns the bytes consumed, 0 for no match.
size_t ConsumeNamedReference(const char* p, size_t n, std::wstring& out)
{
    size_t length = 0; // ASCII alphanumerics after '&', as many as a name can hold
    while (length <= kLongestName && 1 + length < n && IsAsciiAlphanumeric(static_cast<unsigned char>(p[1 + length])))
        ++length;
    if (!length) return 0;
    const bool semicolon = length < kLongestName && 1 + length < n && p[1 + length] == ';';
    const NamedReference* match = semicolon ? FindName(p + 1, length + 1) : nullptr;
    size_t matched = length + 1;
    for (size_t tried = std::min(length, kLongestName); !match && tried > 0; --tried) {
        match = FindName(p + 1, tried);
        matched = tried;
    }
    if (!match) return 0;
    AppendChar(out, match->first);
    if (match->second) AppendChar(out, match->second);
    return 1 + matched;
}

char32_t NumericReferenceValue(char32_t value) noexcept
{
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
    if (value >= 0x80 && value <= 0x9F && kWindows1252[value - 0x80]) return kWindows1252[value - 0x80];
    return value;
}

// Numeric reference at p[0] == '&', p[1] == '#'. Returns the bytes
// consumed, 0 when no digit follows (the text then stays as written).
size_t ConsumeNumericReference(const char* p, size_t n, std::wstring& out)
{
    size_t i = 2;
    const bool hex = i < n && (p[i] | 0x20) == 'x';
    if (hex) ++i;
    const size_t digitsStart = i;
    char32_t value = 0;
    for (; i < n; ++i) {
        const int digit = hex ? HexDigitValue(static_cast<unsigned char>(p[i]))
                              : (p[i] >= '0' && p[i] <= '9' ? p[i] - '0' : -1);
        if (digit < 0) break;
        // Saturate: anything past U+10FFFF decodes to U+FFFD anyway.
        value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
    }
    if (i == digitsStart) return 0;
    if (i < n && p[i] == ';') ++i;
    AppendChar(out, NumericReferenceValue(value));
    return i;
}

size_t AppendUtf8(std::wstring& out, const char* p, size_t n)
{
    const size_t old = out.size();
    out.resize(old + n);
    const size_t written = DecodeUtf8(p, n, &out[old]);
    out.resize(old + written);
    return written;
}

} // namespace

bool ContinuationIndex::Build(const unsigned char* begin, const unsigned char* end) noexcept
{
    if (kUtf16WideChars || static_cast<size_t>(end - begin) > kLargestBlock) return false;
    m_begin = begin;
    const size_t nChunks = static_cast<size_t>(end - begin) / 16;
    std::uint32_t carry = 0; // continuation bytes expected from the next chunk on
    std::uint32_t irregular = 0;
    std::uint32_t before = 0;
    // One chunk's masks: continuation bytes, and the bytes that announce at
    // least one, two or three of them (leads of five or six bytes apart).
    auto account = [&](size_t chunk, std::uint32_t cont, std::uint32_t needs1, std::uint32_t needs2,
                       std::uint32_t needs3, std::uint32_t longLeads) {
        const std::uint32_t expected = (needs1 << 1) | (needs2 << 2) | (needs3 << 3) | carry;
        irregular |= ((expected & 0xFFFF) ^ cont) | longLeads;
        carry = expected >> 16;
        m_before[chunk] = before;
        m_masks[chunk] = static_cast<std::uint16_t>(cont);
        before += htmlfile_text::PopCount16(cont);
    };
    size_t chunk = 0;
#if HTMLFILE_HAVE_SSE2
    using htmlfile_text::AtLeastMask;
    for (; chunk < nChunks; ++chunk) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + chunk * 16));
        if (_mm_movemask_epi8(bytes) == 0 && carry == 0) { // ASCII only
            account(chunk, 0, 0, 0, 0, 0);
            continue;
        }
        const std::uint32_t f8 = AtLeastMask(bytes, 0xF8);
        account(chunk, htmlfile_text::ContinuationMask(bytes), AtLeastMask(bytes, 0xC0) & ~f8,
                AtLeastMask(bytes, 0xE0) & ~f8, AtLeastMask(bytes, 0xF0) & ~f8, f8 & ~AtLeastMask(bytes, 0xFE));
    }
#endif
    // The rest (and every chunk without SSE2) byte by byte.
    for (; chunk * 16 < static_cast<size_t>(end - begin); ++chunk) {
        std::uint32_t cont = 0, needs1 = 0, needs2 = 0, needs3 = 0, longLeads = 0;
        const unsigned char* p = begin + chunk * 16;
        const size_t n = std::min<size_t>(16, static_cast<size_t>(end - p));
        for (size_t i = 0; i < n; ++i) {
            const unsigned char c = p[i];
            const std::uint32_t bit = 1u << i;
            if (IsContinuationByte(c)) cont |= bit;
            const unsigned announced = ContinuationsAfter(c);
            if (announced >= 1 && announced <= 3) needs1 |= bit;
            if (announced >= 2 && announced <= 3) needs2 |= bit;
            if (announced == 3) needs3 |= bit;
            if (announced > 3) longLeads |= bit;
        }
        // A byte expected past the block's end (a sequence the block cuts)
        // finds no continuation bit there: the block is irregular.
        account(chunk, cont, needs1, needs2, needs3, longLeads);
    }
    m_before[chunk] = before;
    return irregular == 0 && carry == 0;
}

size_t DecodeUtf8(const char* p, size_t n, wchar_t* out)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(p);
    wchar_t* const start = out;
    for (size_t i = 0; i < n;) {
        const size_t run = WidenAsciiText(bytes + i, n - i, out);
        i += run;
        out += run;
        if (i == n) break;
        out = PutChar(out, DecodeUnit(bytes, n, i));
    }
    return static_cast<size_t>(out - start);
}

void AppendDecodedText(std::wstring& out, const char* p, size_t n)
{
    const char* const end = p + n;
    while (p < end) {
        const char* amp = static_cast<const char*>(std::memchr(p, '&', static_cast<size_t>(end - p)));
        if (!amp) amp = end;
        AppendUtf8(out, p, static_cast<size_t>(amp - p));
        if (amp == end) break;
        const size_t rest = static_cast<size_t>(end - amp);
        size_t used = rest > 1 && amp[1] == '#' ? ConsumeNumericReference(amp, rest, out)
                                                : ConsumeNamedReference(amp, rest, out);
        if (!used) {
            out.push_back(L'&');
            used = 1;
        }
        p = amp + used;
    }
}

} // namespace htmlscan
