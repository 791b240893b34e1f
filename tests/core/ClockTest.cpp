#include "core/Clock.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

namespace bf {
namespace {

// The millisecond counter is 32 bits wide and wraps (after 49.7 days on Windows' tick count);
// waits that span the wrap must last exactly as long as any other.
TEST(ClockTest, ElapsedTimeAndTimeOutsHoldAcrossTheWrap) {
    for (std::uint32_t start : {1000u, 0xFFFFFFFFu - 499u, 0xFFFFFFFFu}) {
        test::VirtualClock clock(start);
        clock.advance(500);
        EXPECT_EQ(ElapsedMs(clock, start), 500u) << start;
        EXPECT_FALSE(TimedOut(clock, start, 500)) << "the rule is strict: equal is not past";
        clock.advance(1);
        EXPECT_TRUE(TimedOut(clock, start, 500)) << start;
        EXPECT_FALSE(TimedOut(clock, start, 0xFFFFFFFFu)) << "a start before the wrap is not in the future";
    }
}

} // namespace
} // namespace bf
