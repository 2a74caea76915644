// Attribute chains as the tag scanner hands them over, for tests that build
// markup objects without scanning a file.
#pragma once

#include <htmlfile/outside/Html.h>

#include <initializer_list>
#include <memory>
#include <utility>

// One node per pair, in order, with malloc'ed copies of the strings. A null
// value stands for an attribute written without one; L"" for name="".
std::unique_ptr<TagAttribute> MakeAttributes(
    std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes);
