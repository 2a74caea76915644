// File names as the tool gets them (bytes from the command line and the
// folder walk, which need not be UTF-8) and as it hands them on: to the
// library losslessly, to people and to JSON readers recoverably.
#pragma once

#include <string>

namespace htmltopic {

// For the library: each byte b that is not part of UTF-8 becomes U+DC00 + b
// (U+DC80 to U+DCFF), which the library turns back into that byte for the
// system.
std::wstring NameForLibrary(const std::string& name);
// The bytes of a name the library gives back.
std::string NameFromLibrary(const wchar_t* pszName);

// For text output: UTF-8 as it is, every other byte as \xNN.
std::string ShownName(const std::string& name);

// A JSON string literal, quotes included, that gives back the exact name:
// each byte that is not part of UTF-8 is written as the escape \uDCxx of
// its lone surrogate.
std::string JsonName(const std::string& name);

} // namespace htmltopic
