// Temporary file names in the manner the document API expects: a folder
// name that ends with a separator, and new empty files named
// <prefix><4 hex digits>.tmp created without clobbering anything.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/Types.h>

// On Windows the system's own functions, from <windows.h>, serve.
#ifndef _WIN32

// Copies the temporary folder ($TMPDIR, else /tmp), ending with '/', into
// pszBuffer. Returns its length, or the size needed (terminator included)
// when the buffer is too small; 0 on failure.
HTMLFILE_API DWORD GetTempPathW(DWORD nBufferLength, wchar_t* pszBuffer);

// With uUnique 0: creates a new empty file named prefix (its first three
// characters) + four hexadecimal digits + ".tmp" in pszPathName, retrying on
// a name clash, and returns the number used. With uUnique non-zero: only
// builds the name from that number. The full name goes to pszTempFileName,
// which must hold MAX_PATH characters. Returns 0 on failure.
HTMLFILE_API UINT GetTempFileNameW(const wchar_t* pszPathName, const wchar_t* pszPrefixString, UINT uUnique,
                                   wchar_t* pszTempFileName);
#endif
