// Basic integer types and constants shared by the whole library. The names
// follow the conventions of the help-authoring environment the library was
// designed for, so that callers written against that interface compile here.
// On Windows they are the system's own, from <windows.h>; elsewhere the
// library defines them with the same sizes and values.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
typedef int BOOL;
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef long long LONGLONG;
typedef std::uint32_t COLORREF;

// An opaque module handle. The library's templates and strings are compiled
// in, so the handle is only a token that is passed around.
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef MAX_PATH
#define MAX_PATH 260
#endif

// Message box types and answers used by the overwrite question.
enum : UINT {
    MB_OK = 0x0000,
    MB_YESNO = 0x0004,
    MB_ICONEXCLAMATION = 0x0030,
};
enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};
#endif

// An opaque position in a list or map; null means "no element". Not even
// <windows.h> has it: it belongs to the class library the interface follows.
struct __POSITION;
typedef __POSITION* POSITION;
