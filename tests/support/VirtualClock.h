#pragma once

#include "core/Clock.h"

#include <cstdint>

namespace bf::test {

// A clock that moves only when told to: the recording host advances it when it pumps or waits,
// sleeps advance it at once. A 10-second time-out thus takes microseconds and is exact.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(std::uint32_t startMs = 1000) : m_now(startMs) {}
    std::uint32_t nowMs() override { return m_now; }
    void sleepMs(std::uint32_t ms) override { m_now += ms; }
    void advance(std::uint32_t ms) { m_now += ms; }

  private:
    std::uint32_t m_now;
};

} // namespace bf::test
