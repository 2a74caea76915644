// htmltopic: reads and edits HTML help topics from the command line.
#include "CommandLine.h"
#include "Interrupt.h"
#include "Terminal.h"

#include <exception>
#include <string>

#ifdef _WIN32
#include "Wtf8.h"

#include <vector>
#endif

namespace {

int Run(int argc, char** argv)
{
    const int status = htmltopic::RunCommandLine(argc, argv);
    if (const int signal = htmltopic::Interruption()) {
        htmltopic::Terminal::Instance().Write({}, "htmltopic: stopped (" + htmltopic::InterruptionName(signal) +
                                                      "); every file it handled is complete, the others were "
                                                      "not touched\n");
        return 128 + signal;
    }
    return status;
}

int Main(int argc, char** argv)
{
    htmltopic::CatchInterruptions();
    try {
        return Run(argc, argv);
    }
    catch (const std::exception& e) {
        // Per-file errors are caught where the file is handled; this is the
        // last guard, so that nothing ends in an uncaught exception.
        htmltopic::Terminal::Instance().Write({}, std::string("htmltopic: ") + e.what() + "\n");
    }
    catch (...) {
        htmltopic::Terminal::Instance().Write({}, "htmltopic: unexpected error\n");
    }
    return htmltopic::kExitFileFailed;
}

} // namespace

#ifdef _WIN32

// The arguments as the system has them, in UTF-16: the 8-bit ones the C
// runtime would give are in the ANSI code page and lose every character
// outside it. The parser gets them in WTF-8, which keeps even a lone
// surrogate of a file name.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const std::wstring wide(argv[i]);
        arguments.push_back(htmltopic::Wtf8FromUtf16(std::u16string(wide.begin(), wide.end())));
    }
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return Main(argc, pointers.data());
}

#else

int main(int argc, char** argv)
{
    return Main(argc, argv);
}

#endif
