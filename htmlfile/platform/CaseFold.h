// Locale-independent case mapping used for every case-insensitive
// comparison of the library (tag names, attribute names, colour names).
// It covers ASCII, Latin-1, Greek and Cyrillic, which is what HTML names and
// the texts callers compare actually use; it never depends on the process
// locale, so results are the same on every thread and machine.
#pragma once

#include <cstdint>

inline wchar_t FoldCase(wchar_t ch) noexcept
{
    std::uint32_t c = static_cast<std::uint32_t>(ch);
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<wchar_t>(c + 32) : ch;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return static_cast<wchar_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 80);
    return ch;
}

inline wchar_t UpperCase(wchar_t ch) noexcept
{
    std::uint32_t c = static_cast<std::uint32_t>(ch);
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<wchar_t>(c - 32) : ch;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return static_cast<wchar_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 80);
    return ch;
}

// Compares two NUL-terminated strings ignoring case: negative, 0 or positive
// as a sorts before, equal to or after b.
inline int CompareFolded(const wchar_t* a, const wchar_t* b) noexcept
{
    for (;; ++a, ++b) {
        std::uint32_t x = static_cast<std::uint32_t>(FoldCase(*a));
        std::uint32_t y = static_cast<std::uint32_t>(FoldCase(*b));
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}
