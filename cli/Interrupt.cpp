#include "Interrupt.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace htmltopic {
namespace {

std::atomic<int>& ReceivedSignal()
{
    static std::atomic<int> signal{0};
    return signal;
}

} // namespace

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

int Interruption()
{
    return ReceivedSignal().load();
}

} // namespace htmltopic
