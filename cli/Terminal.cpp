#include "Terminal.h"

#include "Interrupt.h"

#include <cctype>

namespace htmltopic {

Terminal& Terminal::Instance()
{
    static Terminal terminal;
    return terminal;
}

Terminal::Terminal()
    : m_stdinIsTerminal(m_streams.IsTerminal(StandardStream::In))
    , m_stderrIsTerminal(m_streams.IsTerminal(StandardStream::Err))
{
}

void Terminal::ClearProgressLocked()
{
    if (!m_progressShown) return;
    m_streams.Write(StandardStream::Err, m_streams.ClearLineSequence());
    m_progressShown = false;
}

void Terminal::Write(const std::string& out, const std::string& err)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearProgressLocked();
    m_streams.Write(StandardStream::Out, out);
    m_streams.Write(StandardStream::Err, err);
}

void Terminal::ShowProgress(const std::string& line)
{
    if (!m_stderrIsTerminal) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_streams.Write(StandardStream::Err, m_streams.ClearLineSequence() + line);
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
    m_streams.Write(StandardStream::Err, question + " [y/N] ");
    // Interrupted while it waits, the question is answered No.
    std::optional<std::string> answer = m_streams.ReadLine([] { return Interruption() != 0; });
    if (!answer) {
        m_streams.Write(StandardStream::Err, "\n");
        return std::nullopt;
    }
    for (char& c : *answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return *answer == "y" || *answer == "yes";
}

} // namespace htmltopic
