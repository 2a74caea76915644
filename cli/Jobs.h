// Several topics at once: each on a worker thread with its own document,
// results handed on in the order of the input whatever order they finish in.
#pragma once

#include "FileOutcome.h"

#include <cstddef>
#include <functional>
#include <string>

namespace htmltopic {

// Number of worker threads for --jobs 0 (not given): the number of cores.
unsigned DefaultJobCount();

// Calls task(i) for every i below count on up to `jobs` threads and writes
// each outcome through the Terminal in index order as soon as all before it
// are written. Shows a progress line on a terminal's stderr when there are
// more than a few files. Returns whether any outcome failed. A task must
// not throw; RunFileTask below makes sure of that.
bool RunInOrder(size_t count, unsigned jobs, const std::function<FileOutcome(size_t)>& task,
                const std::function<std::string(size_t)>& describe);

// Runs body for one file and turns anything it throws into a failure that
// names the file, so that no error ends the run or shows a stack trace.
FileOutcome RunFileTask(const std::string& path, const std::function<void(FileOutcome&)>& body);

} // namespace htmltopic
