// The command line: parses the arguments, reports usage errors and runs the
// chosen command.
#pragma once

namespace htmltopic {

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFileFailed = 1;
constexpr int kExitUsage = 2;

int RunCommandLine(int argc, char** argv);

} // namespace htmltopic
