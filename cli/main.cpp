// htmltopic: reads and edits HTML help topics from the command line.
#include "CommandLine.h"
#include "Interrupt.h"

#include <csignal>
#include <cstring>
#include <exception>
#include <iostream>

namespace {

int Run(int argc, char** argv)
{
    const int status = htmltopic::RunCommandLine(argc, argv);
    if (const int signal = htmltopic::Interruption()) {
        std::cerr << "htmltopic: stopped (" << strsignal(signal)
                  << "); every file it handled is complete, the others were not touched\n";
        return 128 + signal;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    htmltopic::CatchInterruptions();
    try {
        return Run(argc, argv);
    }
    catch (const std::exception& e) {
        // Per-file errors are caught where the file is handled; this is the
        // last guard, so that nothing ends in an uncaught exception.
        std::cerr << "htmltopic: " << e.what() << '\n';
    }
    catch (...) {
        std::cerr << "htmltopic: unexpected error\n";
    }
    return htmltopic::kExitFileFailed;
}
