#pragma once

#include "core/Clock.h"

#include <cstdint>
#include <functional>

namespace bf {

// Runs `step` until the clock reads more than start + ms. Measured as elapsed time, so a wait
// across the wrap of the 32-bit timer still lasts its full duration. `step` is told how long the
// wait has left until it ends (at least 1 ms) and must let time pass (handle events, or sleep while
// there are none, but not past the end), or the loop spins.
void PumpUntilElapsed(Clock& clock, std::uint32_t ms, const std::function<void(std::uint32_t msLeft)>& step);

// A window's WaitPumping: handles events for `ms` on the clock. `handleEvents` handles what is
// pending and says whether there was anything; while nothing is, the wait sleeps in slices of at
// most kIdleSliceMs, never past its end. Nobody reads the port meanwhile, so waiting input does not
// end the pause early.
constexpr std::uint32_t kIdleSliceMs = 10;
void WaitHandlingEvents(Clock& clock, std::uint32_t ms, const std::function<bool()>& handleEvents);

} // namespace bf
