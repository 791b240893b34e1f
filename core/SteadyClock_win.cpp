#include "core/Clock.h"

#include <windows.h>

namespace bf {

// The system's 32-bit millisecond tick count; it wraps after 49.7 days, which the time-out rules
// (differences, never absolute values) take in their stride.
std::uint32_t SteadyClock::nowMs() {
    return GetTickCount();
}

void SteadyClock::sleepMs(std::uint32_t ms) {
    Sleep(ms);
}

} // namespace bf
