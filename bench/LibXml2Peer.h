// The peer the parse is compared with: libxml2's HTML push parser fed in
// 64 KiB chunks, with SAX handlers that only count (no tree is built).
#pragma once

#include <cstdint>
#include <string>

namespace bench {

struct PeerCounts {
    std::uint64_t bytes = 0;
    std::uint64_t startTags = 0; // libxml2 also reports the elements it implies (html, head, body, p)
    std::uint64_t endTags = 0;   // every element closed, void and implied ones included
    std::uint64_t attributes = 0;
    std::uint64_t documents = 0; // parsers used: a new one takes over after each </html>
};

// Streams the file through the push parser. Throws std::runtime_error when
// the file can't be read or no parser can be made.
PeerCounts ParseWithLibXml2(const std::string& path);

} // namespace bench
