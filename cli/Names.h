// File names as the tool gets them (from the command line and the folder
// walk) and as it hands them on: to the system and the library losslessly,
// to people and to JSON readers recoverably.
//
// A name is held as an 8-bit string. On POSIX it is the name's bytes, which
// need not be UTF-8. On Windows it is the name's UTF-16 units in WTF-8
// (Wtf8.h), since a Windows name may hold a lone surrogate.
#pragma once

#include <filesystem>
#include <string>

namespace htmltopic {

// For the library. POSIX: each byte b that is not part of UTF-8 becomes
// U+DC00 + b (U+DC80 to U+DCFF), which the library turns back into that
// byte for the system. Windows: the name's own units.
std::wstring NameForLibrary(const std::string& name);
// The name of a path the library gives back.
std::string NameFromLibrary(const wchar_t* pszName);

// For the standard library's file system calls (which, given an 8-bit
// string on Windows, would read it in the ANSI code page), and back.
std::filesystem::path PathOf(const std::string& name);
std::string NameOf(const std::filesystem::path& path);
// The same with '/' separators (Windows also writes '\\').
std::string GenericNameOf(const std::filesystem::path& path);

// For text output: UTF-8 as it is; on POSIX every other byte as \xNN, on
// Windows every lone surrogate as \uDXXX.
std::string ShownName(const std::string& name);

// A JSON string literal, quotes included, that gives back the exact name:
// each byte that is not part of UTF-8 is written as the escape \uDCxx of
// its lone surrogate (POSIX), each lone surrogate as its own escape
// (Windows).
std::string JsonName(const std::string& name);

} // namespace htmltopic
