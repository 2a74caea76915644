// The generated label and index tables, for the codecs in this folder only.
#pragma once

#include <htmlfile/text/Encodings.h>

#include <cstdint>

namespace htmlfile_text::tables {

struct EncodingLabel {
    const char* label;
    EncodingId encoding;
};

struct Gb18030EncoderExtra {
    std::uint16_t code;
    std::uint8_t lead;
    std::uint8_t trail;
};

struct Big5Pair {
    unsigned pointer;
    std::uint16_t first;
    std::uint16_t second;
};

#include <htmlfile/text/EncodingTables.inc>

static_assert(sizeof kEncodingNames / sizeof kEncodingNames[0] == kEncodingCount);
static_assert(sizeof kSingleByteIndexes / sizeof kSingleByteIndexes[0] ==
              static_cast<size_t>(EncodingId::kXMacCyrillic) - static_cast<size_t>(EncodingId::kIbm866) + 1);

// The pointer a reverse table gives a code point, or -1 when it has none.
template <size_t N>
int FindPointer(const std::uint16_t (&codes)[N], const std::uint16_t (&pointers)[N], std::uint32_t code) noexcept
{
    size_t low = 0;
    size_t high = N;
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (codes[middle] < code) low = middle + 1;
        else high = middle;
    }
    return low < N && codes[low] == code ? pointers[low] : -1;
}

// The code point a dense forward table gives a pointer, or 0 when it has none.
template <size_t N>
std::uint32_t CodeAt(const std::uint16_t (&index)[N], unsigned pointer) noexcept
{
    return pointer < N ? index[pointer] : 0;
}

} // namespace htmlfile_text::tables
