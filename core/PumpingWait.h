#pragma once

#include "Clock.h"

#include <cstdint>
#include <functional>

namespace bf {

// Runs `step` until the clock reads more than start + ms. Measured as elapsed time, so a wait
// across the wrap of the 32-bit timer still lasts its full duration. `step` must let time pass
// (handle events and yield), or the loop spins.
void PumpUntilElapsed(Clock& clock, std::uint32_t ms, const std::function<void()>& step);

} // namespace bf
