#include "cli/Interrupt.h"

#include <csignal>

namespace bf::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnSignal(int) {
    g_interrupted = 1;
}

} // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed standard output (`brenvaldor update ... | head`) must not kill a running update.
    std::signal(SIGPIPE, SIG_IGN);
}

bool InterruptRequested() {
    return g_interrupted != 0;
}

void SetInterruptRequested(bool requested) {
    g_interrupted = requested ? 1 : 0;
}

const char* Interrupted::what() const noexcept {
    return "interrupted";
}

void ThrowIfInterrupted() {
    if (InterruptRequested())
        throw Interrupted();
}

} // namespace bf::cli
