#include "core/ProgressEstimate.h"

#include <gtest/gtest.h>

namespace bf {
namespace {

constexpr std::uint32_t kStart = 5000;

// Resets at kStart, then reports `percent` after `elapsed` ms.
ProgressEstimate::Display At(std::uint32_t elapsed, int percent) {
    ProgressEstimate estimate;
    estimate.Update(0, 1, kStart);
    return estimate.Update(percent, 0, kStart + elapsed);
}

TEST(ProgressEstimate, WorkedEstimates) {
    EXPECT_EQ(At(30000, 50).timeLeftText, "Estimated time left: 0 min 31 sek");
    EXPECT_EQ(At(60000, 10).timeLeftText, "Estimated time left: 9 min 1 sek");
    EXPECT_EQ(At(120000, 25).timeLeftText, "Estimated time left: 6 min 1 sek");
    EXPECT_EQ(At(5000, 1).timeLeftText, "Estimated time left: 8 min 16 sek");
}

TEST(ProgressEstimate, HundredPercentShowsOneSecondWhateverTheElapsedTime) {
    for (std::uint32_t elapsed : {0u, 1u, 999999u, 0xFFFFFFFFu}) {
        const auto d = At(elapsed, 100);
        EXPECT_EQ(d.percentText, "100%");
        EXPECT_EQ(d.barPos, 100);
        EXPECT_EQ(d.timeLeftText, "Estimated time left: 0 min 1 sek");
    }
}

TEST(ProgressEstimate, ProductKeepsItsLow32Bits) {
    // 50,000,000 ms * 99 = 4,950,000,000 wraps to 655,032,704; / 1 -> 655,032 s + 1.
    EXPECT_EQ(At(50000000, 1).timeLeftText, "Estimated time left: 10917 min 13 sek");
}

TEST(ProgressEstimate, ElapsedTimeIsTakenAcrossTheTimerWrap) {
    ProgressEstimate estimate;
    estimate.Update(0, 1, 0xFFFFFFF0u);
    EXPECT_EQ(estimate.Update(50, 0, 30000 - 16).timeLeftText, "Estimated time left: 0 min 31 sek");
}

TEST(ProgressEstimate, ResetClearsTheDisplayAndRemembersZero) {
    ProgressEstimate estimate;
    const auto reset = estimate.Update(0, 1, kStart);
    EXPECT_TRUE(reset.changed);
    EXPECT_TRUE(reset.reset);
    EXPECT_EQ(reset.barPos, 0);
    EXPECT_EQ(reset.percentText, "");
    EXPECT_EQ(reset.timeLeftText, "");
    EXPECT_FALSE(estimate.Update(0, 0, kStart + 10).changed);
}

TEST(ProgressEstimate, SamePercentTwiceChangesTheDisplayOnce) {
    ProgressEstimate estimate;
    estimate.Update(0, 1, kStart);
    EXPECT_TRUE(estimate.Update(42, 0, kStart + 100).changed);
    EXPECT_FALSE(estimate.Update(42, 0, kStart + 200).changed);
    // 256 is 0 in the low byte, 298 is 42.
    EXPECT_TRUE(estimate.Update(43, 0, kStart + 300).changed);
    EXPECT_FALSE(estimate.Update(43 + 256, 0, kStart + 400).changed);
}

TEST(ProgressEstimate, ResetOtherThanOneIsAnUpdate) {
    ProgressEstimate estimate;
    estimate.Update(0, 1, kStart);
    const auto d = estimate.Update(10, 2, kStart + 60000);
    EXPECT_FALSE(d.reset);
    EXPECT_EQ(d.percentText, "10%");
    EXPECT_EQ(d.timeLeftText, "Estimated time left: 9 min 1 sek");
}

TEST(ProgressEstimate, ValuesAboveHundredAreReadAsSignedBytes) {
    const auto d101 = At(1000, 101);
    EXPECT_EQ(d101.percentText, "101%");
    EXPECT_EQ(d101.barPos, 101);
    const auto d133 = At(1000, 133);
    EXPECT_EQ(d133.percentText, "-123%");
    EXPECT_EQ(d133.barPos, -123);
    // Unsigned arithmetic: 1000 * (100 - (2^32 - 123)) / (2^32 - 123) truncates to 0 -> 1 s.
    EXPECT_EQ(d133.timeLeftText, "Estimated time left: 0 min 1 sek");
}

TEST(ProgressEstimate, ZeroLowByteAfterNonZeroShowsThePercentWithoutEstimate) {
    ProgressEstimate estimate;
    estimate.Update(0, 1, kStart);
    estimate.Update(255, 0, kStart + 1000);
    const auto d = estimate.Update(256, 0, kStart + 2000);
    EXPECT_TRUE(d.changed);
    EXPECT_EQ(d.percentText, "0%");
    EXPECT_EQ(d.barPos, 0);
    EXPECT_EQ(d.timeLeftText, "");
}

} // namespace
} // namespace bf
