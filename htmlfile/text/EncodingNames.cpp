#include <htmlfile/text/EncodingTables.h>

#include <algorithm>
#include <iterator>

namespace htmlfile_text {
namespace {

bool IsAsciiWhitespace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

std::string_view TrimAsciiWhitespace(std::string_view text) noexcept
{
    while (!text.empty() && IsAsciiWhitespace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiWhitespace(text.back())) text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<EncodingId> EncodingForLabel(std::string_view label) noexcept
{
    label = TrimAsciiWhitespace(label);
    // The longest label has 19 characters; nothing longer can match.
    char lower[32];
    if (label.empty() || label.size() >= sizeof lower) return std::nullopt;
    for (size_t i = 0; i < label.size(); ++i) {
        const char c = label[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const std::string_view key(lower, label.size());
    const auto* begin = std::begin(tables::kEncodingLabels);
    const auto* end = std::end(tables::kEncodingLabels);
    const auto* found = std::lower_bound(begin, end, key, [](const tables::EncodingLabel& row, std::string_view k) {
        return std::string_view(row.label) < k;
    });
    if (found == end || std::string_view(found->label) != key) return std::nullopt;
    return found->encoding;
}

const char* EncodingName(EncodingId encoding) noexcept
{
    return tables::kEncodingNames[static_cast<size_t>(encoding)];
}

} // namespace htmlfile_text
