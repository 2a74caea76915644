// HTMLFILE_API marks what the library's shared build offers its users: every
// class the library defines something of (an out-of-line member, a vtable or
// a typeinfo that must be one across the boundary, as for CFileException,
// which the library throws and callers catch) and every free function that
// is not inline. Templates and inline functions are compiled into their
// users and carry no mark.
//
// HTMLFILE_LOCAL keeps hidden what a marked class holds inside it (a private
// implementation struct nested in it) and its users never name.
//
// The static library (the default build) needs no mark. A shared build
// defines HTMLFILE_SHARED for the library and everything built against it
// (the CMake package and the pkg-config file carry it), and HTMLFILE_BUILDING
// for the library's own sources only.
#pragma once

#if defined(HTMLFILE_SHARED)
#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(HTMLFILE_BUILDING)
#define HTMLFILE_API __declspec(dllexport)
#else
#define HTMLFILE_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
// The library is compiled with hidden visibility: this is what stays visible.
#define HTMLFILE_API __attribute__((visibility("default")))
#define HTMLFILE_LOCAL __attribute__((visibility("hidden")))
#else
#define HTMLFILE_API
#endif
#else
#define HTMLFILE_API
#endif

#ifndef HTMLFILE_LOCAL
#define HTMLFILE_LOCAL
#endif
