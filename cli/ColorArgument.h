// Colour texts on the command line and in reports.
#pragma once

#include <htmlfile/platform/Types.h>

#include <optional>
#include <string>

namespace htmltopic {

// The COLORREF a colour argument stands for: "#rrggbb" (six hex digits, any
// case), one of the library's colour names (any case), or "none", which is
// NO_COLOR (remove the attribute). Nothing for any other text.
std::optional<COLORREF> ParseColorArgument(const std::string& text);

// "#rrggbb" in lower case, the form the library writes.
std::string FormatColor(COLORREF color);

} // namespace htmltopic
