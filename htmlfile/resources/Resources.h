// The library's built-in resources: the three new-topic templates and the
// string table. They are compiled in; the module handle only names them.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/Types.h>

#include <cstddef>

// String table ids.
enum : UINT {
    IDS_NEW_TOPIC = 8750,        // text of a "title" placeholder when the title is empty
    IDS_FILE_CHANGED_ON_DISK = 8751, // the overwrite question; %s is the file's path
};

namespace htmlfile_resources {

// The handle that names this library's resources.
HTMLFILE_API HINSTANCE ModuleHandle() noexcept;

// A string of the string table, or null for an unknown id.
HTMLFILE_API const wchar_t* FindString(UINT nID) noexcept;

// The text of template 1, 2 or 3 (lines ended by CR LF, without the closing
// NUL) and its length in characters; null for an unknown id or handle.
HTMLFILE_API const wchar_t* FindTemplate(HINSTANCE hInstance, DWORD nID, size_t* pLength) noexcept;

} // namespace htmlfile_resources
