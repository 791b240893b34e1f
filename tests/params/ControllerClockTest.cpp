#include "ParameterUpdate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <time.h>

namespace bf::test {
namespace {

// Runs each test in a time zone of its own and restores the process's zone afterwards.
class ControllerClockTest : public ::testing::Test {
  protected:
    ControllerClockTest() {
        if (const char* tz = std::getenv("TZ"))
            m_saved = tz;
    }
    ~ControllerClockTest() override {
        if (m_saved)
            setenv("TZ", m_saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void Zone(const char* tz) { setenv("TZ", tz, 1); }

    static constexpr std::time_t kWinter = 1705320000;    // 2024-01-15 12:00:00 UTC
    static constexpr std::time_t kSummer = 1721044800;    // 2024-07-15 12:00:00 UTC
    static constexpr std::time_t kCetSpring = 1711846800; // 2024-03-31 01:00:00 UTC, CEST begins
    static constexpr std::int32_t kHour = 3600;

  private:
    std::optional<std::string> m_saved;
};

TEST_F(ControllerClockTest, CentralEuropeanTimeAddsOneHourInWinterAndTwoInSummer) {
    Zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(ControllerClockValue(kWinter), kWinter + kHour);
    EXPECT_EQ(ControllerClockValue(kSummer), kSummer + 2 * kHour);
}

TEST_F(ControllerClockTest, DaylightSavingIsJudgedAtTheStandardTimeInstant) {
    Zone("CET-1CEST,M3.5.0,M10.5.0/3");
    // Half an hour after summer time began, but U - 3600 still lies before it.
    EXPECT_EQ(ControllerClockValue(kCetSpring + 1800), kCetSpring + 1800 + kHour);
    EXPECT_EQ(ControllerClockValue(kCetSpring + 3600 + 1800), kCetSpring + 3600 + 1800 + 2 * kHour);
}

TEST_F(ControllerClockTest, UtcIsUnchanged) {
    Zone("UTC0");
    EXPECT_EQ(ControllerClockValue(kWinter), kWinter);
    EXPECT_EQ(ControllerClockValue(kSummer), kSummer);
}

TEST_F(ControllerClockTest, WestOfGreenwichSubtractsTheOffset) {
    Zone("EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(ControllerClockValue(kWinter), kWinter - 5 * kHour);
    EXPECT_EQ(ControllerClockValue(kSummer), kSummer - 4 * kHour);
    EXPECT_EQ(ControllerClockValue(0), -5 * kHour);
}

} // namespace
} // namespace bf::test
