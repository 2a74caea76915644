#include "StandardStreams.h"

#include <algorithm>
#include <iostream>

#ifdef _WIN32
#include "Wtf8.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace htmltopic {
namespace {

std::ostream& StreamOf(StandardStream stream)
{
    return stream == StandardStream::Err ? std::cerr : std::cout;
}

#ifdef _WIN32

HANDLE HandleOf(StandardStream stream)
{
    switch (stream) {
    case StandardStream::In: return ::GetStdHandle(STD_INPUT_HANDLE);
    case StandardStream::Out: return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case StandardStream::Err: return ::GetStdHandle(STD_ERROR_HANDLE);
    }
    return INVALID_HANDLE_VALUE;
}

// A console, not merely a character device: the NUL device is one too, and
// the C runtime's isatty says yes to it.
bool IsConsole(StandardStream stream)
{
    DWORD mode = 0;
    return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

// Redirected output is the tool's bytes as they are: no "\n" turned into
// "\r\n" by the C runtime's text mode.
void UseBinaryMode(StandardStream stream)
{
    ::_setmode(stream == StandardStream::Err ? 2 : 1, _O_BINARY);
}

bool EnableEscapes(StandardStream stream)
{
    DWORD mode = 0;
    const HANDLE handle = HandleOf(stream);
    return ::GetConsoleMode(handle, &mode) &&
           ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING | ENABLE_PROCESSED_OUTPUT);
}

void WriteToConsole(StandardStream stream, const std::string& text)
{
    const std::u16string units = Utf16FromWtf8(text);
    const std::wstring wide(units.begin(), units.end());
    const HANDLE handle = HandleOf(stream);
    for (size_t done = 0; done < wide.size();) {
        // The console takes a bounded amount at once.
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
        DWORD written = 0;
        if (!::WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) return;
        done += written;
    }
}

#else

bool IsConsole(StandardStream stream)
{
    return ::isatty(stream == StandardStream::In ? 0 : stream == StandardStream::Out ? 1 : 2) == 1;
}

#endif

} // namespace

StandardStreams::StandardStreams()
    : m_inIsTerminal(IsConsole(StandardStream::In))
    , m_outIsTerminal(IsConsole(StandardStream::Out))
    , m_errIsTerminal(IsConsole(StandardStream::Err))
    , m_terminalHandlesEscapes(true)
{
#ifdef _WIN32
    if (!m_outIsTerminal) UseBinaryMode(StandardStream::Out);
    if (!m_errIsTerminal) UseBinaryMode(StandardStream::Err);
    m_terminalHandlesEscapes = m_errIsTerminal && EnableEscapes(StandardStream::Err);
#endif
}

bool StandardStreams::IsTerminal(StandardStream stream) const noexcept
{
    switch (stream) {
    case StandardStream::In: return m_inIsTerminal;
    case StandardStream::Out: return m_outIsTerminal;
    case StandardStream::Err: return m_errIsTerminal;
    }
    return false;
}

void StandardStreams::Write(StandardStream stream, const std::string& text)
{
    if (text.empty() || stream == StandardStream::In) return;
#ifdef _WIN32
    if (IsTerminal(stream)) {
        // What went through the C++ stream (a parser's help text) comes first.
        StreamOf(stream) << std::flush;
        WriteToConsole(stream, text);
        return;
    }
#endif
    StreamOf(stream) << text << std::flush;
}

std::string StandardStreams::ClearLineSequence() const
{
    // Without escape sequences, blanks over the old line do it.
    return m_terminalHandlesEscapes ? "\r\033[K" : "\r" + std::string(79, ' ') + "\r";
}

#ifdef _WIN32

std::optional<std::string> StandardStreams::ReadLine(const std::function<bool()>& stop)
{
    const HANDLE input = HandleOf(StandardStream::In);
    std::u16string line;
    for (;;) {
        wchar_t buffer[256];
        DWORD read = 0;
        const BOOL ok = ::ReadConsoleW(input, buffer, 256, &read, nullptr);
        if (stop()) return std::nullopt;
        if (!ok || read == 0) return line.empty() ? std::nullopt : std::optional<std::string>(Wtf8FromUtf16(line));
        for (DWORD i = 0; i < read; ++i) {
            if (buffer[i] == L'\n') return Wtf8FromUtf16(line);
            if (buffer[i] != L'\r') line += static_cast<char16_t>(buffer[i]);
        }
    }
}

#else

std::optional<std::string> StandardStreams::ReadLine(const std::function<bool()>& stop)
{
    std::string line;
    for (;;) {
        // The interruption signals are blocked in every thread, so a plain
        // read would wait on: poll, and look between waits.
        struct pollfd input = {0, POLLIN, 0};
        const int ready = ::poll(&input, 1, 100);
        if (stop()) return std::nullopt;
        if (ready <= 0) continue;
        char c = 0;
        const ssize_t n = ::read(0, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n') return line;
        line += c;
    }
}

#endif

} // namespace htmltopic
