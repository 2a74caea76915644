#include <htmlfile/text/Prescan.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <new>
#include <utility>

namespace htmlfile_text {
namespace {

bool IsSpace(unsigned char byte) noexcept
{
    return byte == 0x09 || byte == 0x0A || byte == 0x0C || byte == 0x0D || byte == 0x20;
}

bool IsAsciiLetter(unsigned char byte) noexcept
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

char Lower(unsigned char byte) noexcept
{
    return static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
}

// What a declaration names, as the prescan reads it: a declared UTF-16
// cannot be, since its ASCII was read as bytes, and x-user-defined is
// windows-1252 for a whole document.
std::optional<EncodingId> Declared(std::optional<EncodingId> encoding) noexcept
{
    if (encoding == EncodingId::kUtf16BE || encoding == EncodingId::kUtf16LE) return EncodingId::kUtf8;
    if (encoding == EncodingId::kXUserDefined) return EncodingId::kWindows1252;
    return encoding;
}

// The charset in the content attribute of <meta http-equiv>, as in
// "text/html; charset=Shift_JIS" (value already lowercase).
std::optional<EncodingId> EncodingFromContent(std::string_view content) noexcept
{
    constexpr std::string_view kCharset = "charset";
    size_t position = 0;
    for (;;) {
        const size_t found = content.find(kCharset, position);
        if (found == std::string_view::npos) return std::nullopt;
        size_t i = found + kCharset.size();
        while (i < content.size() && IsSpace(content[i])) ++i;
        if (i < content.size() && content[i] == '=') {
            ++i;
            while (i < content.size() && IsSpace(content[i])) ++i;
            if (i == content.size()) return std::nullopt;
            const char quote = content[i];
            if (quote == '"' || quote == '\'') {
                const size_t close = content.find(quote, i + 1);
                if (close == std::string_view::npos) return std::nullopt;
                return EncodingForLabel(content.substr(i + 1, close - i - 1));
            }
            size_t stop = i;
            while (stop < content.size() && !IsSpace(content[stop]) && content[stop] != ';') ++stop;
            return EncodingForLabel(content.substr(i, stop - i));
        }
        position = i;
    }
}

// The prescan's walk over the bytes. Running out of bytes anywhere ends it.
class Prescanner {
public:
    Prescanner(const unsigned char* bytes, size_t count) noexcept : m_p(bytes), m_end(bytes + count) {}

    // The declared encoding; nothing when the bytes run out first.
    std::optional<EncodingId> Run()
    {
        for (; m_p < m_end; ++m_p) {
            if (StartsWith("<!--")) {
                if (!SkipComment()) return std::nullopt;
            } else if (StartsWith("<meta") && m_end - m_p > 5 && (IsSpace(m_p[5]) || m_p[5] == '/')) {
                m_p += 6;
                bool bEnded = false;
                const std::optional<EncodingId> found = ReadMeta(bEnded);
                if (found || bEnded) return found;
            } else if (StartsTag()) {
                while (m_p < m_end && !IsSpace(*m_p) && *m_p != '>') ++m_p;
                Attribute attribute;
                Got got;
                while ((got = GetAttribute(attribute)) == Got::kAttribute) {}
                if (got == Got::kEnd) return std::nullopt;
            } else if (StartsWith("<!") || StartsWith("</") || StartsWith("<?")) {
                m_p = std::find(m_p + 1, m_end, '>');
                if (m_p == m_end) return std::nullopt;
            }
        }
        return std::nullopt;
    }

private:
    struct Attribute {
        std::string name;
        std::string value;
    };
    enum class Got { kAttribute, kNone, kEnd };

    // Case-insensitive for the letters of text, which is lowercase.
    bool StartsWith(std::string_view text) const noexcept
    {
        if (static_cast<size_t>(m_end - m_p) < text.size()) return false;
        for (size_t i = 0; i < text.size(); ++i)
            if (Lower(m_p[i]) != text[i]) return false;
        return true;
    }

    // "<" and a letter, or "</" and a letter.
    bool StartsTag() const noexcept
    {
        if (*m_p != '<' || m_end - m_p < 2) return false;
        if (IsAsciiLetter(m_p[1])) return true;
        return m_p[1] == '/' && m_end - m_p > 2 && IsAsciiLetter(m_p[2]);
    }

    // To the '>' of the first "-->", whose dashes may be those of "<!--".
    bool SkipComment() noexcept
    {
        for (const unsigned char* q = m_p + 4; q < m_end; ++q) {
            if (*q == '>' && q[-1] == '-' && q[-2] == '-') {
                m_p = q;
                return true;
            }
        }
        return false;
    }

    Got GetAttribute(Attribute& attribute);
    Got ReadAttributeValue(Attribute& attribute);
    std::optional<EncodingId> ReadMeta(bool& bEnded);

    const unsigned char* m_p;
    const unsigned char* const m_end;
};

// Leaves m_p on the byte that ended the attribute, or just past its
// closing quote; on '>' when there is no attribute.
Prescanner::Got Prescanner::GetAttribute(Attribute& attribute)
{
    attribute.name.clear();
    attribute.value.clear();
    while (m_p < m_end && (IsSpace(*m_p) || *m_p == '/')) ++m_p;
    if (m_p == m_end) return Got::kEnd;
    if (*m_p == '>') return Got::kNone;
    for (;; ++m_p) {
        if (m_p == m_end) return Got::kEnd;
        const unsigned char byte = *m_p;
        if (byte == '=' && !attribute.name.empty()) break;
        if (IsSpace(byte)) {
            while (m_p < m_end && IsSpace(*m_p)) ++m_p;
            if (m_p == m_end) return Got::kEnd;
            if (*m_p != '=') return Got::kAttribute;
            break;
        }
        if (byte == '/' || byte == '>') return Got::kAttribute;
        attribute.name += Lower(byte);
    }
    ++m_p; // past '='
    return ReadAttributeValue(attribute);
}

Prescanner::Got Prescanner::ReadAttributeValue(Attribute& attribute)
{
    while (m_p < m_end && IsSpace(*m_p)) ++m_p;
    if (m_p == m_end) return Got::kEnd;
    const unsigned char first = *m_p;
    if (first == '"' || first == '\'') {
        for (++m_p; m_p < m_end; ++m_p) {
            if (*m_p == first) {
                ++m_p;
                return Got::kAttribute;
            }
            attribute.value += Lower(*m_p);
        }
        return Got::kEnd;
    }
    if (first == '>') return Got::kAttribute;
    for (; m_p < m_end; ++m_p) {
        if (IsSpace(*m_p) || *m_p == '>') return Got::kAttribute;
        attribute.value += Lower(*m_p);
    }
    return Got::kEnd;
}

// The attributes of a <meta> up to its '>'. Only the first of each name
// counts; a charset holds at once, a content's charset only with
// http-equiv="content-type".
std::optional<EncodingId> Prescanner::ReadMeta(bool& bEnded)
{
    enum class Need { kUnknown, kPragma, kNoPragma } need = Need::kUnknown;
    bool bGotPragma = false;
    bool bSeenHttpEquiv = false, bSeenContent = false, bSeenCharset = false;
    bool bCharsetSet = false;
    std::optional<EncodingId> charset;
    Attribute attribute;
    Got got;
    while ((got = GetAttribute(attribute)) == Got::kAttribute) {
        if (attribute.name == "http-equiv" && !std::exchange(bSeenHttpEquiv, true)) {
            bGotPragma = attribute.value == "content-type";
        } else if (attribute.name == "content" && !std::exchange(bSeenContent, true)) {
            const std::optional<EncodingId> found = EncodingFromContent(attribute.value);
            if (found && !bCharsetSet) {
                charset = found;
                bCharsetSet = true;
                need = Need::kPragma;
            }
        } else if (attribute.name == "charset" && !std::exchange(bSeenCharset, true)) {
            charset = EncodingForLabel(attribute.value);
            bCharsetSet = true;
            need = Need::kNoPragma;
        }
    }
    bEnded = got == Got::kEnd;
    if (bEnded || need == Need::kUnknown || (need == Need::kPragma && !bGotPragma)) return std::nullopt;
    return Declared(charset);
}

// <?xml ... encoding="..."?> at the very start, for files whose prescan
// found no <meta>.
std::optional<EncodingId> XmlDeclaredEncoding(const unsigned char* bytes, size_t count) noexcept
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), count);
    if (text.compare(0, 5, "<?xml") != 0) return std::nullopt;
    const size_t declarationEnd = text.find('>');
    size_t i = text.find("encoding");
    if (declarationEnd == std::string_view::npos || i == std::string_view::npos || i > declarationEnd)
        return std::nullopt;
    i += 8;
    while (i < count && IsSpace(text[i])) ++i;
    if (i == count || text[i] != '=') return std::nullopt;
    ++i;
    while (i < count && IsSpace(text[i])) ++i;
    if (i == count || (text[i] != '"' && text[i] != '\'')) return std::nullopt;
    const size_t close = text.find(text[i], i + 1);
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view label = text.substr(i + 1, close - i - 1);
    if (std::any_of(label.begin(), label.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; }))
        return std::nullopt;
    return Declared(EncodingForLabel(label));
}

} // namespace

std::optional<EncodingId> PrescanForEncoding(const unsigned char* bytes, size_t count) noexcept
{
    count = std::min(count, kPrescanLength);
    static constexpr unsigned char kUtf16LEXml[] = {0x3C, 0x00, 0x3F, 0x00, 0x78, 0x00};
    static constexpr unsigned char kUtf16BEXml[] = {0x00, 0x3C, 0x00, 0x3F, 0x00, 0x78};
    if (count >= 6 && std::memcmp(bytes, kUtf16LEXml, 6) == 0) return EncodingId::kUtf16LE;
    if (count >= 6 && std::memcmp(bytes, kUtf16BEXml, 6) == 0) return EncodingId::kUtf16BE;
    try {
        if (const std::optional<EncodingId> found = Prescanner(bytes, count).Run()) return found;
    } catch (const std::bad_alloc&) {
        // An attribute's text could not be kept; read the file by the other rules.
    }
    return XmlDeclaredEncoding(bytes, count);
}

} // namespace htmlfile_text
