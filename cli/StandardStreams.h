// The one place that decides how text reaches the standard streams. The
// tool's text is UTF-8. On POSIX it is written as it is. On Windows a
// console gets it as UTF-16 through WriteConsoleW, so that names in any
// script show whatever the console's code page; a file or pipe gets the
// UTF-8 bytes (no byte-order mark, line ends as written).
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace htmltopic {

enum class StandardStream { In, Out, Err };

class StandardStreams {
public:
    StandardStreams();

    bool IsTerminal(StandardStream stream) const noexcept;
    void Write(StandardStream stream, const std::string& text);
    // Returns the cursor to the start of the line and clears it.
    std::string ClearLineSequence() const;
    // One line typed on the terminal, without its line end; nothing at the
    // end of input or once stop() says so (checked at least every 100 ms on
    // POSIX; on Windows when the console read returns, which a Ctrl+C does).
    std::optional<std::string> ReadLine(const std::function<bool()>& stop);

private:
    bool m_inIsTerminal;
    bool m_outIsTerminal;
    bool m_errIsTerminal;
    bool m_terminalHandlesEscapes;
};

} // namespace htmltopic
