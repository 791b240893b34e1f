#include "core/PumpingWait.h"

#include <algorithm>

namespace bf {

void PumpUntilElapsed(Clock& clock, std::uint32_t ms, const std::function<void(std::uint32_t msLeft)>& step) {
    const std::uint32_t start = clock.nowMs();
    while (!TimedOut(clock, start, ms)) {
        const std::uint64_t left = std::uint64_t{ms} + 1 - ElapsedMs(clock, start);
        step(static_cast<std::uint32_t>(std::min<std::uint64_t>(left, UINT32_MAX)));
    }
}

void WaitHandlingEvents(Clock& clock, std::uint32_t ms, const std::function<bool()>& handleEvents) {
    // Short enough for the window to stay lively, long enough that an idle wait costs next to no
    // processor time.
    PumpUntilElapsed(clock, ms, [&](std::uint32_t msLeft) {
        if (!handleEvents())
            clock.sleepMs(std::min(kIdleSliceMs, msLeft));
    });
}

} // namespace bf
