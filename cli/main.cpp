// htmltopic: reads and edits HTML help topics from the command line.
#include "CommandLine.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    try {
        return htmltopic::RunCommandLine(argc, argv);
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
