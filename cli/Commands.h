// The tool's commands. Each returns the exit status for what it handled:
// 0 when every file was handled, 1 when any failed (the others are still
// handled). Usage errors are caught before a command runs.
#pragma once

#include "Edits.h"

#include <optional>
#include <string>
#include <vector>

namespace htmltopic {

struct ShowOptions {
    std::vector<std::string> files; // files and folders
    std::string encoding;           // a label overriding what files declare; empty: none
    bool json = false;
    unsigned jobs = 0; // 0: one per core
};
int RunShow(const ShowOptions& options);

struct SetOptions {
    std::vector<std::string> files; // files and folders
    std::string encoding;
    EditRequest edits;
    std::string output; // -o: write a copy of the one file here
    unsigned jobs = 0;
    bool rewriteAll = false; // every recorded element in the library's form
};
int RunSet(const SetOptions& options);

enum class TopicTemplate { Standard, Bare, Titled };
struct NewOptions {
    std::string output;
    TopicTemplate templateKind = TopicTemplate::Standard;
    EditRequest edits; // title and style sheet only
    bool force = false;
};
int RunNew(const NewOptions& options);

struct ObjectsOptions {
    std::string file;
    std::optional<std::string> deleteId;
    bool json = false;
    bool rewriteAll = false;
    std::string encoding;
};
int RunObjects(const ObjectsOptions& options);

struct MapsOptions {
    std::string file;
    bool json = false;
    std::string encoding;
};
int RunMaps(const MapsOptions& options);

struct CheckOptions {
    std::vector<std::string> files; // files and folders
    std::string encoding;
    bool json = false;
    bool caseSensitive = false; // a file found only with other letter case is an error
    unsigned jobs = 0;
};
// 0 without errors (warnings allowed), 1 with an error or an unreadable file.
int RunCheck(const CheckOptions& options);

struct KeywordsOptions {
    std::vector<std::string> files; // files and folders
    std::string encoding;
    bool json = false;
    bool byTopic = false;
    unsigned jobs = 0;
};
int RunKeywords(const KeywordsOptions& options);

} // namespace htmltopic
