// The problems of a project's references: each reference of each topic is
// resolved as a browser resolves it and gets at most one problem, decided
// in this order: a scheme (not checked), outside the project, missing file,
// case differs, missing bookmark or missing map.
#pragma once

#include "LineColumn.h"
#include "ProjectScan.h"

#include <optional>
#include <string>
#include <vector>

namespace htmltopic {

enum class ProblemKind { Outside, MissingFile, CaseDiffers, MissingBookmark, MissingMap };
constexpr size_t kProblemKindCount = 5;

// "outside the project", "missing file", "case differs", ...
const char* ProblemKindName(ProblemKind kind);

struct Problem {
    size_t file = 0;  // index into the project's files
    int position = 0; // of the reference's tag
    LineColumn at;
    ProblemKind kind = ProblemKind::MissingFile;
    std::string reference;             // as written
    std::optional<std::string> target; // the resolved path, written as the topic's path is
};

struct CheckResult {
    std::vector<Problem> problems; // sorted by file, line and column
    size_t references = 0;         // the references checked (those without a scheme)
};

// Checks every topic that was read. Target topics outside the list (a file
// given alone links to its neighbours) are read once each when a bookmark
// in them is looked for.
CheckResult CheckProject(const ProjectScan& project);

} // namespace htmltopic
