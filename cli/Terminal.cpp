#include "Terminal.h"

#include "Interrupt.h"

#include <cerrno>
#include <poll.h>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace htmltopic {
namespace {

// One line from stdin, without its line end; nothing at the end of input
// or when the tool is interrupted while it waits (the signals are blocked,
// so a plain read would wait on).
std::optional<std::string> ReadAnswerLine()
{
    std::string line;
    for (;;) {
        struct pollfd input = {0, POLLIN, 0};
        const int ready = ::poll(&input, 1, 100);
        if (Interruption()) return std::nullopt;
        if (ready <= 0) continue;
        char c = 0;
        const ssize_t n = ::read(0, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n') return line;
        line += c;
    }
}

} // namespace

Terminal& Terminal::Instance()
{
    static Terminal terminal;
    return terminal;
}

Terminal::Terminal() : m_stdinIsTerminal(::isatty(0) == 1), m_stderrIsTerminal(::isatty(2) == 1) {}

void Terminal::ClearProgressLocked()
{
    if (!m_progressShown) return;
    std::cerr << "\r\033[K" << std::flush;
    m_progressShown = false;
}

void Terminal::Write(const std::string& out, const std::string& err)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearProgressLocked();
    if (!out.empty()) std::cout << out << std::flush;
    if (!err.empty()) std::cerr << err << std::flush;
}

void Terminal::ShowProgress(const std::string& line)
{
    if (!m_stderrIsTerminal) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::cerr << "\r\033[K" << line << std::flush;
    m_progressShown = true;
}

void Terminal::ClearProgress()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearProgressLocked();
}

std::optional<bool> Terminal::AskYesNo(const std::string& question)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearProgressLocked();
    std::cout << std::flush;
    std::cerr << question << " [y/N] " << std::flush;
    std::optional<std::string> answer = ReadAnswerLine();
    if (!answer) {
        std::cerr << '\n';
        return std::nullopt;
    }
    for (char& c : *answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return *answer == "y" || *answer == "yes";
}

} // namespace htmltopic
