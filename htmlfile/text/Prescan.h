// The encoding a topic without a byte-order mark declares, found as a
// browser finds it before parsing: the HTML prescan of the first 1,024
// bytes for <meta charset> or <meta http-equiv="Content-Type" content=...>.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/text/Encodings.h>

#include <cstddef>
#include <optional>

namespace htmlfile_text {

// Bytes the prescan reads at most; a declaration beyond them is not seen.
constexpr size_t kPrescanLength = 1024;

// The encoding declared in the first kPrescanLength of count bytes, if any.
// A declared UTF-16 means UTF-8 (a file that could hold the ASCII of the
// declaration is no UTF-16) and x-user-defined means windows-1252; a UTF-16
// XML declaration without a mark ("<?x" as 16-bit units) gives UTF-16.
// Unknown labels are passed over.
HTMLFILE_API std::optional<EncodingId> PrescanForEncoding(const unsigned char* bytes, size_t count) noexcept;

} // namespace htmlfile_text
