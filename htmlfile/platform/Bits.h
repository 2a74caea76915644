// The bit scan and the vector unit behind the fast paths over runs of bytes,
// for every compiler the library is built with: each has its own spelling
// of both.
#pragma once

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

// Every x86-64 processor has SSE2. GCC and Clang say whether the target has
// it with __SSE2__, MSVC with _M_X64, or _M_IX86_FP for 32-bit code built
// for it.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define HTMLFILE_HAVE_SSE2 1
#else
#define HTMLFILE_HAVE_SSE2 0
#endif

namespace htmlfile_platform {

// The index of the lowest set bit of mask, which must not be 0.
inline unsigned CountTrailingZeros(unsigned mask) noexcept
{
#if defined(__GNUC__) || defined(__clang__)
    return static_cast<unsigned>(__builtin_ctz(mask));
#elif defined(_MSC_VER)
    unsigned long index = 0;
    _BitScanForward(&index, mask);
    return static_cast<unsigned>(index);
#else
    unsigned index = 0;
    for (; (mask & 1u) == 0; mask >>= 1) ++index;
    return index;
#endif
}

} // namespace htmlfile_platform
