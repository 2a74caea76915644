// Windows file names are sequences of 16-bit units that need not be well
// formed UTF-16: a lone surrogate is a legal character of a name. The tool
// carries names as 8-bit strings, so on Windows it holds them in WTF-8 (UTF-8
// that also writes a lone surrogate as its three-byte form), which gives
// every name back unit for unit and is plain UTF-8 for every other name.
#pragma once

#include <string>

namespace htmltopic {

std::string Wtf8FromUtf16(const std::u16string& units);

// The units the text stands for; a byte that begins no well-formed sequence
// becomes U+FFFD. A lead and a trail surrogate written one after the other
// (as joining two names can make) come out as the pair they are.
std::u16string Utf16FromWtf8(const std::string& text);

inline bool IsSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

} // namespace htmltopic
