#include "Names.h"

#include "Wtf8.h"

#include <htmlfile/platform/String.h>

#include <cstdio>

namespace htmltopic {
namespace {

std::string Hex(const char* format, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

#ifdef _WIN32

std::wstring WideOf(const std::u16string& units)
{
    return std::wstring(units.begin(), units.end());
}

std::u16string UnitsOf(const std::wstring& wide)
{
    return std::u16string(wide.begin(), wide.end());
}

bool IsLoneSurrogate(const std::u16string& units, size_t i)
{
    const char16_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF) return i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF;
    if (c >= 0xDC00 && c <= 0xDFFF) return i == 0 || units[i - 1] < 0xD800 || units[i - 1] > 0xDBFF;
    return false;
}

// Calls emit(text) for each run of well-formed UTF-16, in UTF-8, and
// escape(unit) for each lone surrogate, in order.
template <class Emit, class Escape>
void SplitName(const std::string& name, Emit emit, Escape escape)
{
    const std::u16string units = Utf16FromWtf8(name);
    size_t runStart = 0;
    for (size_t i = 0; i <= units.size(); ++i) {
        if (i < units.size() && !IsLoneSurrogate(units, i)) continue;
        if (i > runStart) emit(Wtf8FromUtf16(units.substr(runStart, i - runStart)));
        if (i < units.size()) escape(static_cast<unsigned>(units[i]));
        runStart = i + 1;
    }
}

std::string ShownEscape(unsigned unit)
{
    return Hex("\\u%04X", unit);
}

#else

bool IsEscapedByte(wchar_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

// Calls emit(text) for each run of well-formed UTF-8 and escape(unit) for
// each byte b outside one, as the lone surrogate U+DC00 + b, in order.
template <class Emit, class Escape>
void SplitName(const std::string& name, Emit emit, Escape escape)
{
    const std::wstring wide = BytesToWide(name.data(), name.size());
    size_t runStart = 0;
    for (size_t i = 0; i <= wide.size(); ++i) {
        if (i < wide.size() && !IsEscapedByte(wide[i])) continue;
        if (i > runStart) emit(WideToUtf8(wide.data() + runStart, i - runStart));
        if (i < wide.size()) escape(static_cast<unsigned>(wide[i]));
        runStart = i + 1;
    }
}

std::string ShownEscape(unsigned unit)
{
    return Hex("\\x%02X", unit - 0xDC00);
}

#endif

} // namespace

#ifdef _WIN32

std::wstring NameForLibrary(const std::string& name)
{
    return WideOf(Utf16FromWtf8(name));
}

std::string NameFromLibrary(const wchar_t* pszName)
{
    return pszName ? Wtf8FromUtf16(UnitsOf(pszName)) : std::string();
}

std::filesystem::path PathOf(const std::string& name)
{
    return std::filesystem::path(NameForLibrary(name));
}

std::string NameOf(const std::filesystem::path& path)
{
    return Wtf8FromUtf16(UnitsOf(path.wstring()));
}

std::string GenericNameOf(const std::filesystem::path& path)
{
    return Wtf8FromUtf16(UnitsOf(path.generic_wstring()));
}

#else

std::wstring NameForLibrary(const std::string& name)
{
    return BytesToWide(name.data(), name.size());
}

std::string NameFromLibrary(const wchar_t* pszName)
{
    return WideToBytes(pszName);
}

std::filesystem::path PathOf(const std::string& name)
{
    return std::filesystem::path(name);
}

std::string NameOf(const std::filesystem::path& path)
{
    return path.string();
}

std::string GenericNameOf(const std::filesystem::path& path)
{
    return path.generic_string();
}

#endif

std::string ShownName(const std::string& name)
{
    std::string shown;
    SplitName(
        name, [&](const std::string& text) { shown += text; },
        [&](unsigned unit) { shown += ShownEscape(unit); });
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
        [&](unsigned unit) { literal += Hex("\\u%04x", unit); });
    return literal + "\"";
}

} // namespace htmltopic
