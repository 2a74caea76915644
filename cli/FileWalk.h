// Turns the FILE arguments of a command into the list of topics to handle.
#pragma once

#include <string>
#include <vector>

namespace htmltopic {

struct FileList {
    // Topics in argument order; a folder contributes every .htm and .html
    // file below it (extension in any case), sorted by path.
    std::vector<std::string> files;
    // "FOLDER: reason" for folders that could not be listed.
    std::vector<std::string> errors;
    // "FOLDER: ..." notes for folders without any topic.
    std::vector<std::string> notes;
};

// Arguments that are not folders are passed through as they are, missing
// ones included, so that each is reported on its own.
FileList ExpandFileArguments(const std::vector<std::string>& arguments);

// The files below a folder whose paths `wanted` accepts, sorted by path;
// folders that could not be listed are added to errors.
std::vector<std::string> FindFilesBelow(const std::string& folder, bool (*wanted)(const std::string&),
                                        std::vector<std::string>& errors);

// The notes and errors of a list, one line each, for stderr.
std::string FileListMessages(const FileList& list);

bool HasTopicExtension(const std::string& path);
bool IsFolder(const std::string& path);

} // namespace htmltopic
