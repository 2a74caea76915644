// What a reference written in a topic names, worked out as a browser does
// for a page opened from disk: a scheme makes it no concern of the project,
// '\' separates folders like '/', "." and ".." are resolved against the
// topic's folder, and the name is percent-decoded to the bytes of a file
// name. Paths here are byte strings with '/' separators.
#pragma once

#include <string>
#include <vector>

namespace htmltopic {

struct ParsedReference {
    // A scheme ("http:", "mailto:", "ms-its:" ...) or a network path
    // ("//server/x"): not a file of the project, so not checked.
    bool external = false;
    // The path part with '\' turned into '/' (escapes are decoded segment by
    // segment when it is resolved); empty for a reference within the same
    // topic ("#x", "?q", "").
    std::string path;
    bool hasFragment = false;
    std::string fragment; // percent-decoded
};

// Splits an attribute value (character references already decoded).
ParsedReference ParseReference(const std::string& value);

// The absolute path a reference's path part names, seen from a topic in the
// absolute folder `folder`: "." and ".." segments removed (".." above the
// root stays at the root), each segment percent-decoded. A path starting
// with '/' starts at the root. A path naming a folder (ending in '/', "." or
// "..") keeps a closing '/'.
std::string ResolveReferencePath(const std::string& folder, const std::string& path);

// Whether the absolute path is the folder root or lies below it, ignoring
// letter case as the help viewer does (a difference is reported as such,
// not as a path leaving the project).
bool IsWithinFolder(const std::string& path, const std::string& root);

// Letter case as compiled help and Windows ignore it, for the letters that
// matter in names written by hand: ASCII.
std::string AsciiLower(std::string text);

// The one form in which the project's absolute paths are resolved and
// compared: '/' separators below a single root '/'. On POSIX that is the
// system's own path. On Windows "C:\help\a.htm" is "/C:/help/a.htm" and
// "\\server\share\a.htm" is "/server/share/a.htm", so that "..", roots and
// folder listings work as they do on POSIX. NativePath gives the name back
// (with '/' separators, which Windows takes).
std::string ProjectPath(const std::string& absoluteName);
std::string NativePath(const std::string& projectPath);

// Decodes %XX escapes to bytes; a '%' not followed by two hex digits stays.
std::string PercentDecode(const std::string& text);

} // namespace htmltopic
