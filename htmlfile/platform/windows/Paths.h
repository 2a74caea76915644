// Paths as the wide-character Win32 calls take them. Internal to the
// platform layer.
#pragma once

#include <string>

namespace htmlfile_platform::windows {

// The path as given while it fits in MAX_PATH; a longer one made full
// (GetFullPathNameW, which also turns '/' into '\') and given the \\?\ (or
// \\?\UNC\) prefix, which lifts the limit but takes no relative parts.
std::wstring SystemPath(const wchar_t* pszPath);

// The path without the \\?\ prefix GetFinalPathNameByHandleW gives, when
// it fits in MAX_PATH without it.
std::wstring WithoutLongPrefix(const std::wstring& path);

} // namespace htmlfile_platform::windows
