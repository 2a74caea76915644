#include "Names.h"

#include <htmlfile/platform/String.h>

#include <cstdio>

namespace htmltopic {
namespace {

bool IsEscapedByte(wchar_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

// Calls emit(text) for each run of well-formed UTF-8 and escape(byte) for
// each byte outside one, in order.
template <class Emit, class Escape>
void SplitName(const std::string& name, Emit emit, Escape escape)
{
    const std::wstring wide = BytesToWide(name.data(), name.size());
    size_t runStart = 0;
    for (size_t i = 0; i <= wide.size(); ++i) {
        if (i < wide.size() && !IsEscapedByte(wide[i])) continue;
        if (i > runStart) emit(WideToUtf8(wide.data() + runStart, i - runStart));
        if (i < wide.size()) escape(static_cast<unsigned>(wide[i] - 0xDC00));
        runStart = i + 1;
    }
}

std::string Hex(const char* format, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::wstring NameForLibrary(const std::string& name)
{
    return BytesToWide(name.data(), name.size());
}

std::string NameFromLibrary(const wchar_t* pszName)
{
    return WideToBytes(pszName);
}

std::string ShownName(const std::string& name)
{
    std::string shown;
    SplitName(
        name, [&](const std::string& text) { shown += text; },
        [&](unsigned byte) { shown += Hex("\\x%02X", byte); });
    return shown;
}

std::string JsonName(const std::string& name)
{
    std::string literal = "\"";
    SplitName(
        name,
        [&](const std::string& text) {
            for (unsigned char c : text) {
                if (c == '"' || c == '\\') literal += '\\', literal += static_cast<char>(c);
                else if (c < 0x20) literal += Hex("\\u%04x", c);
                else literal += static_cast<char>(c);
            }
        },
        [&](unsigned byte) { literal += Hex("\\udc%02x", byte); });
    return literal + "\"";
}

} // namespace htmltopic
