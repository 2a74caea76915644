#include "ColorArgument.h"

#include <htmlfile/color/Color.h>
#include <htmlfile/text/QLUtils.h>
#include <htmlfile/platform/String.h>

#include <cctype>
#include <cstdio>

namespace htmltopic {
namespace {

bool IsSixDigitHex(const std::string& text)
{
    if (text.size() != 7 || text[0] != '#') return false;
    for (size_t i = 1; i < text.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

} // namespace

std::optional<COLORREF> ParseColorArgument(const std::string& text)
{
    std::wstring wide = Utf8ToWide(text.c_str());
    if (QLUtils::CompareNoCase(wide.c_str(), L"none") == 0) return NO_COLOR;
    // The library reads shorter and longer "#" forms too ("#fff" is not
    // white there), so only the one unambiguous form is accepted.
    if (IsSixDigitHex(text)) return static_cast<COLORREF>(ColorToRGB(wide.c_str()));
    if (text.empty() || text[0] == '#') return std::nullopt;
    // ColorToRGB answers 0 both for black and for a name it does not know;
    // black is the only name in its table whose value is 0.
    unsigned long rgb = ColorToRGB(wide.c_str());
    if (rgb == 0 && QLUtils::CompareNoCase(wide.c_str(), L"black") != 0) return std::nullopt;
    return static_cast<COLORREF>(rgb);
}

std::string FormatColor(COLORREF color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(color & 0xFF),
                  static_cast<unsigned>((color >> 8) & 0xFF), static_cast<unsigned>((color >> 16) & 0xFF));
    return text;
}

} // namespace htmltopic
