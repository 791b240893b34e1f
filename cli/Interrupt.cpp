#include "cli/Interrupt.h"

#include <atomic>

namespace bf::cli {

namespace {

// Set from a signal handler, or on Windows from the console's handler thread.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch a lock-free atomic");

} // namespace

bool InterruptRequested() {
    return g_interrupted.load();
}

void SetInterruptRequested(bool requested) {
    g_interrupted.store(requested);
}

const char* Interrupted::what() const noexcept {
    return "interrupted";
}

void ThrowIfInterrupted() {
    if (InterruptRequested())
        throw Interrupted();
}

} // namespace bf::cli
