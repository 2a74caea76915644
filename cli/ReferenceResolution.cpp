#include "ReferenceResolution.h"

#include <algorithm>
#include <cctype>

namespace htmltopic {
namespace {

// A browser drops leading and trailing blanks and control characters, and
// tabs and line ends anywhere, before it parses a reference.
std::string StripBlanks(const std::string& value)
{
    size_t begin = 0, end = value.size();
    while (begin < end && static_cast<unsigned char>(value[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(value[end - 1]) <= ' ') --end;
    std::string text;
    text.reserve(end - begin);
    for (size_t i = begin; i < end; ++i)
        if (value[i] != '\t' && value[i] != '\n' && value[i] != '\r') text += value[i];
    return text;
}

bool HasScheme(const std::string& text)
{
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (size_t i = 1; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ':') return true;
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return false;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A segment that is "." or ".." once its escapes are read ("%2e" counts).
int DotCount(const std::string& segment)
{
    const std::string lower = AsciiLower(segment);
    if (lower == "." || lower == "%2e") return 1;
    if (lower == ".." || lower == ".%2e" || lower == "%2e." || lower == "%2e%2e") return 2;
    return 0;
}

} // namespace

std::string AsciiLower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string PercentDecode(const std::string& text)
{
    if (text.find('%') == std::string::npos) return text;
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        }
        else {
            decoded += text[i];
        }
    }
    return decoded;
}

ParsedReference ParseReference(const std::string& value)
{
    ParsedReference reference;
    std::string text = StripBlanks(value);
    std::replace(text.begin(), text.end(), '\\', '/');
    if (HasScheme(text) || text.compare(0, 2, "//") == 0) {
        reference.external = true;
        return reference;
    }
    const size_t hash = text.find('#');
    if (hash != std::string::npos) {
        reference.hasFragment = true;
        reference.fragment = PercentDecode(text.substr(hash + 1));
        text.erase(hash);
    }
    const size_t query = text.find('?');
    if (query != std::string::npos) text.erase(query);
    reference.path = text;
    return reference;
}

std::string ResolveReferencePath(const std::string& folder, const std::string& path)
{
    const std::string joined = !path.empty() && path[0] == '/' ? path : folder + "/" + path;
    std::vector<std::string> segments;
    size_t start = 0;
    for (;;) {
        const size_t slash = joined.find('/', start);
        std::string segment = joined.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        const int dots = DotCount(segment);
        if (dots == 2 && !segments.empty()) segments.pop_back();
        else if (dots == 0 && !segment.empty()) segments.push_back(PercentDecode(segment));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    std::string resolved;
    for (const std::string& segment : segments) resolved += "/" + segment;
    // A name that ends at a separator or in dots names a folder, and keeps
    // the closing '/' that says so.
    const bool namesFolder = joined.back() == '/' || DotCount(joined.substr(joined.rfind('/') + 1)) > 0;
    return namesFolder || resolved.empty() ? resolved + "/" : resolved;
}

#ifdef _WIN32

std::string ProjectPath(const std::string& absoluteName)
{
    std::string path = absoluteName;
    std::replace(path.begin(), path.end(), '\\', '/');
    const size_t start = path.find_first_not_of('/');
    return "/" + (start == std::string::npos ? std::string() : path.substr(start));
}

std::string NativePath(const std::string& projectPath)
{
    const size_t end = projectPath.find('/', 1);
    const std::string first = projectPath.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    const bool drive = first.size() == 2 && first[1] == ':';
    if (!drive) return "/" + projectPath; // a network path: "//server/share/..."
    // "C:" alone would be that drive's current folder, not its root.
    return end == std::string::npos ? first + "/" : projectPath.substr(1);
}

#else

std::string ProjectPath(const std::string& absoluteName)
{
    return absoluteName;
}

std::string NativePath(const std::string& projectPath)
{
    return projectPath;
}

#endif

bool IsWithinFolder(const std::string& path, const std::string& root)
{
    if (root == "/") return true;
    return path.size() >= root.size() && AsciiLower(path.substr(0, root.size())) == AsciiLower(root) &&
           (path.size() == root.size() || path[root.size()] == '/');
}

} // namespace htmltopic
