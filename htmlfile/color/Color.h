// Colour texts of HTML ("#rrggbb" or a colour name) as COLORREF values
// 0x00BBGGRR.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/Types.h>

// The value the body-colour getters return when there is no colour, and
// that the setters take as the order to remove the attribute.
constexpr COLORREF NO_COLOR = 0xFF000000;

// The COLORREF of "#rgb..." (hex digits read pairwise, red first) or of one
// of the 140 colour names (any case); 0 for null, empty or unknown texts.
HTMLFILE_API unsigned long ColorToRGB(const wchar_t* pszColor);
