// Conversions of attribute texts used by the tag recognition.
#pragma once

#include <htmlfile/text/QLUtils.h>

#include <cerrno>
#include <climits>
#include <cwchar>

namespace htmlfile_detail {

// The integer at the start of a text, as the C runtime's _wtoi reads it:
// leading blanks skipped, an optional sign, decimal digits up to the first
// other character; 0 when there are none. Out-of-range values saturate.
inline int WideToInt(const wchar_t* psz)
{
    if (!psz) return 0;
    wchar_t* end = nullptr;
    errno = 0;
    long value = std::wcstol(psz, &end, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Play count of a bgsound or dynsrc image: 1 without a loop attribute, -1
// for "infinite" (any case), otherwise the number (0 for junk).
inline int LoopCount(const wchar_t* pszLoop)
{
    if (!pszLoop) return 1;
    if (QLUtils::CompareNoCase(pszLoop, L"infinite") == 0) return -1;
    return WideToInt(pszLoop);
}

// A frameborder-style switch: "yes", "on" (any case) or a leading '1'.
inline int IsSwitchOn(const wchar_t* psz)
{
    if (!psz) return 0;
    return QLUtils::CompareNoCase(psz, L"yes") == 0 || QLUtils::CompareNoCase(psz, L"on") == 0 || psz[0] == L'1';
}

} // namespace htmlfile_detail
