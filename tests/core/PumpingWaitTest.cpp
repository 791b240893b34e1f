#include "core/PumpingWait.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace bf {
namespace {

// Counts steps; each step lets 1 ms pass on the virtual clock.
std::uint32_t StepsOfWait(std::uint32_t startMs, std::uint32_t ms) {
    test::VirtualClock clock(startMs);
    std::uint32_t steps = 0;
    PumpUntilElapsed(clock, ms, [&](std::uint32_t) {
        ++steps;
        clock.advance(1);
    });
    return steps;
}

TEST(PumpingWait, EndsOnceTheClockReadsMoreThanStartPlusDuration) {
    EXPECT_EQ(StepsOfWait(1000, 0), 1u);
    EXPECT_EQ(StepsOfWait(1000, 500), 501u);
    EXPECT_EQ(StepsOfWait(1000, 10000), 10001u);
}

TEST(PumpingWait, WaitAcrossTheTimerWrapLastsItsFullDuration) {
    EXPECT_EQ(StepsOfWait(0xFFFFFF00u, 0x200), 0x201u);
    EXPECT_EQ(StepsOfWait(0xFFFFFFFFu, 10), 11u);
}

TEST(PumpingWait, LargeStepsEndTheWaitAtTheFirstReadingPastTheEnd) {
    test::VirtualClock clock(0xFFFFFFF0u);
    int steps = 0;
    PumpUntilElapsed(clock, 100, [&](std::uint32_t) {
        ++steps;
        clock.advance(60);
    });
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(clock.nowMs(), 0xFFFFFFF0u + 120u);
}

TEST(PumpingWait, StepIsToldHowLongTheWaitHasLeft) {
    test::VirtualClock clock(0xFFFFFFF0u);
    std::vector<std::uint32_t> left;
    PumpUntilElapsed(clock, 100, [&](std::uint32_t msLeft) {
        left.push_back(msLeft);
        clock.advance(std::min<std::uint32_t>(msLeft, 40));
    });
    EXPECT_EQ(left, (std::vector<std::uint32_t>{101, 61, 21}));
    EXPECT_EQ(clock.nowMs(), 0xFFFFFFF0u + 101u) << "sleeping what is left ends the wait exactly";
}

TEST(PumpingWait, IdleWaitSleepsInSlicesAndNotPastItsEnd) {
    test::VirtualClock clock(1000);
    std::vector<std::uint32_t> seenAt;
    WaitHandlingEvents(clock, 25, [&] {
        seenAt.push_back(clock.nowMs());
        return false;
    });
    EXPECT_EQ(seenAt, (std::vector<std::uint32_t>{1000, 1010, 1020}));
    EXPECT_EQ(clock.nowMs(), 1026u);
}

TEST(PumpingWait, PendingEventsAreHandledWithoutSleeping) {
    test::VirtualClock clock(1000);
    int pending = 3;
    std::vector<std::uint32_t> seenAt;
    WaitHandlingEvents(clock, 5, [&] {
        seenAt.push_back(clock.nowMs());
        return pending-- > 0;
    });
    EXPECT_EQ(seenAt, (std::vector<std::uint32_t>{1000, 1000, 1000, 1000}));
    EXPECT_EQ(clock.nowMs(), 1006u);
}

} // namespace
} // namespace bf
