#include "Interrupt.h"

#include <atomic>
#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <thread>
#endif

namespace htmltopic {
namespace {

std::atomic<int>& ReceivedSignal()
{
    static std::atomic<int> signal{0};
    return signal;
}

#ifdef _WIN32

// SIGBREAK is MinGW's and the Microsoft runtime's name for Ctrl+Break.
int SignalOfEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT: return SIGINT;
    case CTRL_BREAK_EVENT: return SIGBREAK;
    default: return SIGTERM;
    }
}

BOOL WINAPI RecordControlEvent(DWORD event)
{
    ReceivedSignal().store(SignalOfEvent(event));
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // Close, logoff, shutdown: returning ends the process at once, so wait
    // here while the main thread finishes the file in hand and exits; the
    // system ends the process after its own grace period in any case.
    ::Sleep(INFINITE);
    return TRUE;
}

#endif

} // namespace

#ifdef _WIN32

void CatchInterruptions()
{
    ::SetConsoleCtrlHandler(RecordControlEvent, TRUE);
}

std::string InterruptionName(int signal)
{
    switch (signal) {
    case SIGINT: return "Ctrl+C";
    case SIGBREAK: return "Ctrl+Break";
    default: return "the console was closed or the session ended";
    }
}

#else

void CatchInterruptions()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return;
    std::thread([signals] {
        int signal = 0;
        while (sigwait(&signals, &signal) == 0) ReceivedSignal().store(signal);
    }).detach();
}

std::string InterruptionName(int signal)
{
    return strsignal(signal);
}

#endif

int Interruption()
{
    return ReceivedSignal().load();
}

} // namespace htmltopic
