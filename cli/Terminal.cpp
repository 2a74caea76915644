#include "Terminal.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace htmltopic {

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
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        std::cerr << '\n';
        return std::nullopt;
    }
    for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return answer == "y" || answer == "yes";
}

} // namespace htmltopic
