#include "PumpingWait.h"

namespace bf {

void PumpUntilElapsed(Clock& clock, std::uint32_t ms, const std::function<void()>& step) {
    const std::uint32_t start = clock.nowMs();
    while (!TimedOut(clock, start, ms))
        step();
}

} // namespace bf
