#include "Wtf8.h"

namespace htmltopic {
namespace {

bool IsLead(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsTrail(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendCodePoint(std::string& text, char32_t c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    }
    else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
    else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUnits(std::u16string& units, char32_t c)
{
    if (c < 0x10000) {
        units += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    units += static_cast<char16_t>(0xD800 + (c >> 10));
    units += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

// The code point of the sequence at text[i], and its length; 0 for a byte
// that begins no well-formed sequence. Surrogates are accepted (that is
// what makes it WTF-8); overlong forms and values above U+10FFFF are not.
size_t DecodeSequence(const std::string& text, size_t i, char32_t& c)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char first = byte(i);
    if (first < 0x80) {
        c = first;
        return 1;
    }
    size_t length = 0;
    char32_t minimum = 0;
    if (first >= 0xC2 && first <= 0xDF) length = 2, minimum = 0x80, c = first & 0x1F;
    else if (first >= 0xE0 && first <= 0xEF) length = 3, minimum = 0x800, c = first & 0x0F;
    else if (first >= 0xF0 && first <= 0xF4) length = 4, minimum = 0x10000, c = first & 0x07;
    else return 0;
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    return c >= minimum && c <= 0x10FFFF ? length : 0;
}

} // namespace

std::string Wtf8FromUtf16(const std::u16string& units)
{
    std::string text;
    text.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (IsLead(units[i]) && i + 1 < units.size() && IsTrail(units[i + 1]))
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        AppendCodePoint(text, c);
    }
    return text;
}

std::u16string Utf16FromWtf8(const std::string& text)
{
    std::u16string units;
    units.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const size_t length = DecodeSequence(text, i, c);
        AppendUnits(units, length ? c : U'\xFFFD');
        i += length ? length : 1;
    }
    return units;
}

} // namespace htmltopic
