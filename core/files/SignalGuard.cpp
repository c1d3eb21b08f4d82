#include "core/files/SignalGuard.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace linnery {

namespace {

// State a signal handler may read: plain flags and a fixed buffer, set before the flag that publishes
// them. One save runs at a time (saveMutex).

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = 3;
struct sigaction previousAction[kSignalCount];
volatile sig_atomic_t installed[kSignalCount];
volatile sig_atomic_t armed = 0; // a named file to remove if the program is ended now
volatile sig_atomic_t armedDir = -1;
char armedName[NAME_MAX + 1];
volatile sig_atomic_t deferring = 0; // the target is being rewritten: a signal waits for the end
volatile sig_atomic_t pendingSignal = 0;
std::mutex saveMutex;

void restorePreviousActions() {
    for (int i = 0; i < kSignalCount; ++i)
        if (installed[i]) {
            installed[i] = 0;
            ::sigaction(kSignals[i], &previousAction[i], nullptr);
        }
}

// Ends the program as the signal would have, without leaving the named file behind.
void endBySignal(int sig) {
    if (armed)
        ::unlinkat(armedDir, armedName, 0);
    restorePreviousActions();
    ::raise(sig);
}

void onSignal(int sig) {
    const int savedErrno = errno;
    if (deferring)
        pendingSignal = sig;
    else
        endBySignal(sig);
    errno = savedErrno;
}

} // namespace

SignalGuard::SignalGuard() : oneSaveAtATime_(saveMutex) {
    pendingSignal = 0;
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction now {};
        // An ignored signal stays ignored (nohup, background jobs).
        if (::sigaction(kSignals[i], nullptr, &now) != 0 || now.sa_handler == SIG_IGN)
            continue;
        struct sigaction ours {};
        ours.sa_handler = onSignal;
        ::sigemptyset(&ours.sa_mask);
        for (int s : kSignals)
            ::sigaddset(&ours.sa_mask, s);
        ours.sa_flags = SA_RESTART;
        if (::sigaction(kSignals[i], &ours, &previousAction[i]) == 0)
            installed[i] = 1;
    }
}

SignalGuard::~SignalGuard() {
    disarm();
    endDefer();
    restorePreviousActions();
}

void SignalGuard::arm(int dir, const std::string& name) {
    armed = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(armedName, name.c_str(), name.size() + 1);
    armedDir = dir;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    armed = 1;
}

void SignalGuard::disarm() {
    armed = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void SignalGuard::beginDefer() {
    deferring = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void SignalGuard::endDefer() {
    deferring = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (const int sig = pendingSignal) {
        pendingSignal = 0;
        endBySignal(sig);
    }
}

} // namespace linnery
