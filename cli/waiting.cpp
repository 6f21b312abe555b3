#include "cli/waiting.h"

#include <poll.h>
#include <signal.h>
#include <time.h>

#include <initializer_list>

namespace {

// Set by the signal handler; the waits are the only place it can run.
volatile sig_atomic_t endingSignal = 0;
sigset_t waitMask;  // the mask during waits: the ending signals let through

void OnEndingSignal(int signal) { endingSignal = signal; }

}  // namespace

int64_t MonotonicNow()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * kTicksPerSecond + now.tv_nsec;
}

void CatchEndingSignals()
{
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&ending, signal);
        struct sigaction action = {};
        action.sa_handler = OnEndingSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
    sigprocmask(SIG_BLOCK, &ending, &waitMask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigdelset(&waitMask, signal);
}

bool EndingSignalCaught() { return endingSignal != 0; }

bool WaitForInput(int fd, int64_t deadline)
{
    pollfd input = {fd, POLLIN, 0};
    return WaitForInputs(&input, 1, deadline);
}

bool WaitForInputs(pollfd* fds, int count, int64_t deadline)
{
    timespec timeout = {};
    if (deadline >= 0) {
        const int64_t left = deadline - MonotonicNow();
        if (left > 0) {
            timeout.tv_sec = static_cast<time_t>(left / kTicksPerSecond);
            timeout.tv_nsec = static_cast<long>(left % kTicksPerSecond);
        }
    }
    return ppoll(fds, static_cast<nfds_t>(count), deadline >= 0 ? &timeout : nullptr, &waitMask) > 0;
}
