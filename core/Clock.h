#pragma once

#include <cstdint>

namespace bf {

// The millisecond timer every time-out is measured on. It is a 32-bit counter that wraps, so
// durations are always taken as differences (now - start), never by comparing absolute values.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::uint32_t nowMs() = 0;
    // A plain pause: no event handling while it lasts.
    virtual void sleepMs(std::uint32_t ms) = 0;
};

// Milliseconds passed since `start`, correct across the 2^32 wrap.
inline std::uint32_t ElapsedMs(Clock& clock, std::uint32_t start) {
    return clock.nowMs() - start;
}

// The strict time-out rule: a wait gives up once the clock reads more than start + timeout.
inline bool TimedOut(Clock& clock, std::uint32_t start, std::uint32_t timeoutMs) {
    return ElapsedMs(clock, start) > timeoutMs;
}

// Production clock: the system's monotonic millisecond count (std::chrono::steady_clock on POSIX
// systems, the tick count on Windows).
class SteadyClock final : public Clock {
  public:
    std::uint32_t nowMs() override;
    void sleepMs(std::uint32_t ms) override;
};

} // namespace bf
