// Starting a program from a test without a shell, the same way on every
// system: the arguments reach it exactly as given (no quoting by hand), stdin
// is empty (the null device), stdout and stderr go to files, and it runs in
// a folder of the test's choosing with variables of its choosing.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ProcessSetup {
    std::string folder; // the working folder; empty: the test's own
    // Variables set (or replaced) for the program; the rest are inherited.
    std::vector<std::pair<std::string, std::string>> environment;
    std::string outFile, errFile; // created or emptied; required
};

// A running program; the destructor waits for it.
class ChildProcess {
public:
    // program: a path, or on POSIX a name looked up in PATH. Names and
    // arguments are UTF-8. Throws std::runtime_error when it cannot start.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments, const ProcessSetup& setup);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // The exit status, or -1 when a signal ended it.
    int Wait();
    // Asks it to stop as a user would: SIGTERM on POSIX; on Windows
    // Ctrl+Break to its own process group (false when the console would not
    // deliver it).
    bool Interrupt();

private:
#ifdef _WIN32
    void* m_process = nullptr;
    unsigned long m_id = 0;
#else
    int m_pid = -1;
#endif
    bool m_waited = false;
    int m_status = -1;
};

struct ProcessResult {
    int status = -1; // -1: ended by a signal, or could not start
    std::string out, err;
};

// Runs the program to its end and gives its exit status and output.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder = {},
                         const std::vector<std::pair<std::string, std::string>>& environment = {});

// The variables that send a program's temporary files to the folder
// (TMPDIR; on Windows also TMP and TEMP, which GetTempPathW reads).
std::vector<std::pair<std::string, std::string>> TemporaryFolderVariables(const std::string& folder);
