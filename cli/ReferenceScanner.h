// One reading of a topic for `check` and `keywords`: what it refers to and
// where, the names a reference may point into (bookmarks, element ids, image
// maps), and its index keywords. The library records none of the positions
// and no element ids, so this document listens to the tag scanner itself and
// hands every tag on to the library's own recognition.
#pragma once

#include <htmlfile/document/HtmlFile.h>

#include <string>
#include <unordered_set>
#include <vector>

namespace htmltopic {

enum class ReferenceKind {
    File, // a link, image, sound, style sheet, frame or table-of-contents entry
    Map,  // an <img usemap>: names an image map of the same topic
};

struct TopicReference {
    ReferenceKind kind = ReferenceKind::File;
    int position = 0;    // the tag's '<': 1-based, in decoded units
    std::string written; // the attribute value as written
    std::string value;   // the same with character references decoded
};

struct TopicScan {
    std::vector<TopicReference> references;
    std::unordered_set<std::string> bookmarks; // <a name> and every id
    std::unordered_set<std::string> maps;      // <map name>, letters folded
    std::vector<std::string> keywords;         // in order, repeats kept
    std::string title;                         // blanks collapsed, as a browser shows it
    bool read = false;   // false: the file could not be read
    std::string failure; // why, when it could not
};

enum class ScanFor {
    References, // a topic read by `check`
    Contents,   // a table of contents or index (.hhc, .hhk): its entries too
    Keywords,   // a topic read by `keywords`: its title and keywords
};

// Reads the file at an absolute path in the project's form (ProjectPath).
// encoding: a label overriding what the topic declares, or empty.
TopicScan ScanTopic(const std::string& absolutePath, ScanFor purpose, const std::string& encoding = {});

// Whether the path names a table of contents or index file of a compiled
// help project (.hhc, .hhk, in any case).
bool IsContentsFile(const std::string& path);

// Image map names match ignoring the case of ASCII letters.
std::string FoldMapName(const std::string& name);

} // namespace htmltopic
