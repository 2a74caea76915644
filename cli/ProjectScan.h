// The files of a project as `check` and `keywords` read them: the topics
// the arguments name, each read once on the worker threads.
#pragma once

#include "FileWalk.h"
#include "ReferenceScanner.h"

#include <string>
#include <vector>

namespace htmltopic {

struct ScannedFile {
    std::string path;         // as the walk found it, for messages
    std::string absolutePath; // its folder as the system resolves it, then its name (ProjectPath)
    TopicScan scan;           // scan.read false: reported as failing
};

struct ProjectScan {
    std::vector<ScannedFile> files; // in the order of the list
    // The folders given, and the folder of each file given, absolute (ProjectPath).
    std::vector<std::string> roots;
    size_t unreadable = 0;
    bool listingFailed = false; // a folder could not be listed
    std::string encoding;       // the label every topic was read in, or empty
};

// Reads every topic the arguments name (and, when withContents is set, the
// .hhc and .hhk files below the folders given), reporting unreadable files
// and the walk's notes on stderr as `show` does.
ProjectScan ScanProject(const std::vector<std::string>& arguments, unsigned jobs, ScanFor purpose,
                        bool withContents, const std::string& encoding = {});

// A JSON string literal of text read from a file (bad bytes become U+FFFD);
// names are written with JsonName, which keeps every byte.
std::string JsonText(const std::string& text);

// 1234567 as "1,234,567".
std::string WithThousands(size_t count);

} // namespace htmltopic
