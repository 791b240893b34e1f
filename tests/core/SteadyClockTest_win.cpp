#include "core/Clock.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace bf {
namespace {

// The production clock is the system's 32-bit tick count itself (the low half of the 64-bit one),
// so that it wraps where the system's does.
TEST(SteadyClockTest, ReadsTheSystemTickCount) {
    SteadyClock clock;
    const auto before = static_cast<std::uint32_t>(GetTickCount64());
    const std::uint32_t now = clock.nowMs();
    const auto after = static_cast<std::uint32_t>(GetTickCount64());
    EXPECT_LE(now - before, after - before);
}

} // namespace
} // namespace bf
