#include <htmlfile/color/Color.h>
#include <htmlfile/color/ColorTable.h>
#include <htmlfile/text/QLUtils.h>

namespace {

using htmlfile_color::kNamedColorCount;
using htmlfile_color::kNamedColors;

constexpr bool NameBefore(const wchar_t* a, const wchar_t* b)
{
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a < *b;
}

constexpr bool TableIsSorted()
{
    for (int i = 1; i < kNamedColorCount; ++i)
        if (!NameBefore(kNamedColors[i - 1].pszName, kNamedColors[i].pszName)) return false;
    return true;
}

// A table out of order would make the binary search miss names silently.
static_assert(TableIsSorted(), "the named-colour table must be strictly ascending");

// Value of a hex digit, either case; -1 for anything else.
int HexDigit(wchar_t ch)
{
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    return -1;
}

// "#rrggbb": digits are taken pairwise, red first. The reading is lenient
// the way old browsers were: it stops quietly at the first non-digit or after
// six digits, so "#fff" is 0x00000FFF and a short byte keeps its one digit.
COLORREF HexToRGB(const wchar_t* pszDigits)
{
    unsigned bytes[3] = {0, 0, 0};
    int nByte = 0;
    int nDigitsInByte = 0;
    for (const wchar_t* p = pszDigits; *p && nByte < 3; ++p) {
        int digit = HexDigit(*p);
        if (digit < 0) break;
        bytes[nByte] = (bytes[nByte] * 16 + static_cast<unsigned>(digit)) & 0xFF;
        if (++nDigitsInByte == 2) {
            ++nByte;
            nDigitsInByte = 0;
        }
    }
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16);
}

// The whole text must be a name, in any case; nothing is trimmed.
COLORREF NameToRGB(const wchar_t* pszName)
{
    int lo = 0;
    int hi = kNamedColorCount;
    while (hi > lo) {
        int mid = lo + (hi - lo) / 2;
        int cmp = QLUtils::CompareNoCase(kNamedColors[mid].pszName, pszName);
        if (cmp == 0) return kNamedColors[mid].cr;
        if (cmp < 0) lo = mid + 1;
        else hi = mid;
    }
    return 0;
}

} // namespace

unsigned long ColorToRGB(const wchar_t* pszColor)
{
    if (!pszColor || !*pszColor) return 0;
    if (*pszColor == L'#') return HexToRGB(pszColor + 1);
    return NameToRGB(pszColor);
}
