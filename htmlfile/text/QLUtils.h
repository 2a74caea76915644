// String helpers of the utility library.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/String.h>

namespace QLUtils {

// Case-insensitive comparison: negative, 0 or positive as the first string
// sorts before, equal to or after the second. Null counts as empty.
HTMLFILE_API int CompareNoCase(const wchar_t* psz1, const wchar_t* psz2) noexcept;

// Lower-cases the string in place.
HTMLFILE_API void MakeLower(CString& str);

} // namespace QLUtils
