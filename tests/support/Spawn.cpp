#include "support/Spawn.h"

#include "support/Helpers.h"

#include <memory>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

using Variables = std::vector<std::pair<std::string, std::string>>;

#ifdef _WIN32

std::wstring Wide(const std::string& text)
{
    return Utf8ToWide(text.c_str(), text.size());
}

// One argument as the C runtime's command line parser (and
// CommandLineToArgvW) reads it back: quoted when it holds a blank or a
// quote or is empty; a quote escaped with '\', and the backslashes right
// before a quote (or the closing quote) doubled.
std::wstring Quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

bool SameVariable(const std::wstring& entry, const std::wstring& name)
{
    // "=C:=C:\x" entries (a drive's current folder) begin with '='.
    const size_t equals = entry.find(L'=', 1);
    return equals == name.size() &&
           ::CompareStringOrdinal(entry.data(), static_cast<int>(equals), name.data(), static_cast<int>(name.size()),
                                  TRUE) == CSTR_EQUAL;
}

// The inherited variables with the changes made, as CreateProcessW takes
// them: each entry ended by L'\0', the block by one more.
std::wstring EnvironmentBlock(const Variables& changes)
{
    std::vector<std::wstring> entries;
    if (wchar_t* inherited = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = inherited; *entry; entry += std::wcslen(entry) + 1) entries.emplace_back(entry);
        ::FreeEnvironmentStringsW(inherited);
    }
    std::wstring block;
    for (const std::wstring& entry : entries) {
        bool changed = false;
        for (const auto& change : changes) changed = changed || SameVariable(entry, Wide(change.first));
        if (!changed) block += entry + L'\0';
    }
    for (const auto& [name, value] : changes) block += Wide(name) + L"=" + Wide(value) + L'\0';
    return block + L'\0';
}

struct CloseHandleOnExit {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, CloseHandleOnExit>;

HANDLE InheritableFile(const std::string& name, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE file = ::CreateFileW(Wide(name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + name + " for a child process");
    return file;
}

#else

// The inherited variables with the changes made.
std::vector<std::string> EnvironmentWith(const Variables& changes)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        bool changed = false;
        for (const auto& change : changes) changed = changed || text.compare(0, change.first.size() + 1, change.first + "=") == 0;
        if (!changed) entries.push_back(text);
    }
    for (const auto& [name, value] : changes) entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

#endif

} // namespace

#ifdef _WIN32

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const ProcessSetup& setup)
{
    const Handle input(InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING));
    const Handle output(InheritableFile(setup.outFile, GENERIC_WRITE, CREATE_ALWAYS));
    const Handle errors(InheritableFile(setup.errFile, GENERIC_WRITE, CREATE_ALWAYS));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = errors.get();
    std::wstring commandLine = Quoted(Wide(program));
    for (const std::string& argument : arguments) commandLine += L" " + Quoted(Wide(argument));
    std::wstring environment = EnvironmentBlock(setup.environment);
    const std::wstring folder = Wide(setup.folder);
    PROCESS_INFORMATION started{};
    // Its own process group, so that Ctrl+Break can be sent to it alone.
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP, environment.data(),
                          folder.empty() ? nullptr : folder.c_str(), &startup, &started))
        throw std::runtime_error("cannot start " + program + ": error " + std::to_string(::GetLastError()));
    ::CloseHandle(started.hThread);
    m_process = started.hProcess;
    m_id = started.dwProcessId;
}

int ChildProcess::Wait()
{
    if (m_waited) return m_status;
    m_waited = true;
    DWORD code = 0;
    if (::WaitForSingleObject(m_process, INFINITE) == WAIT_OBJECT_0 && ::GetExitCodeProcess(m_process, &code))
        m_status = static_cast<int>(code);
    ::CloseHandle(m_process);
    return m_status;
}

bool ChildProcess::Interrupt()
{
    return ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, m_id) != 0;
}

#else

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const ProcessSetup& setup)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::unique_ptr<posix_spawn_file_actions_t, int (*)(posix_spawn_file_actions_t*)> destroyActions(
        &actions, posix_spawn_file_actions_destroy);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, setup.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, setup.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!setup.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, setup.folder.c_str());
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment = EnvironmentWith(setup.environment);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, Pointers(argv).data(),
                                     Pointers(environment).data());
    if (error != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
    m_pid = pid;
}

int ChildProcess::Wait()
{
    if (m_waited) return m_status;
    m_waited = true;
    int status = 0;
    pid_t ended = -1;
    do ended = ::waitpid(m_pid, &status, 0);
    while (ended < 0 && errno == EINTR);
    m_status = ended == m_pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_status;
}

bool ChildProcess::Interrupt()
{
    return ::kill(m_pid, SIGTERM) == 0;
}

#endif

ChildProcess::~ChildProcess()
{
    Wait();
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder, const Variables& environment)
{
    TempDir capture;
    const ProcessSetup setup{folder, environment, capture.File("out"), capture.File("err")};
    ProcessResult result;
    try {
        ChildProcess child(program, arguments, setup);
        result.status = child.Wait();
    }
    catch (const std::runtime_error& e) {
        result.err = e.what();
        return result;
    }
    result.out = ReadBytes(setup.outFile);
    result.err = ReadBytes(setup.errFile);
    return result;
}

Variables TemporaryFolderVariables(const std::string& folder)
{
#ifdef _WIN32
    return {{"TMPDIR", folder}, {"TMP", folder}, {"TEMP", folder}};
#else
    return {{"TMPDIR", folder}};
#endif
}
