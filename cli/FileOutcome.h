// What handling one file produced.
#pragma once

#include "Names.h"

#include <string>

namespace htmltopic {

struct FileOutcome {
    std::string out; // for stdout
    std::string err; // for stderr, one "PATH: reason" line per problem
    bool failed = false;

    void Fail(const std::string& path, const std::string& reason)
    {
        err += ShownName(path) + ": " + reason + "\n";
        failed = true;
    }
};

} // namespace htmltopic
