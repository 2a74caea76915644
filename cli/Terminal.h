// The tool's one way to the user: stdout and stderr writes, the progress line
// on a terminal's stderr, and yes/no questions on a terminal's stdin. Every
// call is serialised, so worker threads and the main thread never interleave
// half lines, and a question never lands in the middle of the progress line.
// Text is UTF-8; StandardStreams decides how it reaches each stream.
#pragma once

#include "StandardStreams.h"

#include <mutex>
#include <optional>
#include <string>

namespace htmltopic {

class Terminal {
public:
    static Terminal& Instance();

    // Writes out to stdout and err to stderr, each as given.
    void Write(const std::string& out, const std::string& err);
    // Replaces the progress line (stderr, only when it is a terminal).
    void ShowProgress(const std::string& line);
    void ClearProgress();
    // Asks on stderr and reads one answer line from stdin: true for y/yes,
    // false for anything else, nothing when stdin has ended.
    std::optional<bool> AskYesNo(const std::string& question);

    bool StdinIsTerminal() const noexcept { return m_stdinIsTerminal; }
    bool StderrIsTerminal() const noexcept { return m_stderrIsTerminal; }

private:
    Terminal();
    void ClearProgressLocked();

    std::mutex m_mutex;
    StandardStreams m_streams;
    bool m_stdinIsTerminal;
    bool m_stderrIsTerminal;
    bool m_progressShown = false;
};

} // namespace htmltopic
