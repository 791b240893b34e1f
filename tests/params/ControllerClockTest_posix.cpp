#include "params/ParameterUpdate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <time.h>
#include <vector>

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

    static constexpr std::time_t kWinter = 1705320000; // 2024-01-15 12:00:00 UTC
    static constexpr std::time_t kSummer = 1721044800; // 2024-07-15 12:00:00 UTC
    static constexpr std::int32_t kHour = 3600;

  private:
    std::optional<std::string> m_saved;
};

TEST_F(ControllerClockTest, CentralEuropeanTimeAddsOneHourInWinterAndTwoInSummer) {
    Zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(ControllerClockValue(kWinter), kWinter + kHour);
    EXPECT_EQ(ControllerClockValue(kSummer), kSummer + 2 * kHour);
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

// The wall clock that `date` shows for the instant in the zone, as seconds since 1970 of that
// calendar; nullopt when `date` gave no answer.
std::optional<std::time_t> WallClockByDate(const std::string& zone, std::time_t utc) {
    const std::string command =
        "TZ=" + zone + " date -d @" + std::to_string(utc) + " '+%Y-%m-%d %H:%M:%S' 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (!out)
        return std::nullopt;
    std::tm shown{};
    const int fields = std::fscanf(out, "%d-%d-%d %d:%d:%d", &shown.tm_year, &shown.tm_mon, &shown.tm_mday,
                                   &shown.tm_hour, &shown.tm_min, &shown.tm_sec);
    pclose(out);
    if (fields != 6)
        return std::nullopt;
    shown.tm_year -= 1900;
    shown.tm_mon -= 1;
    return timegm(&shown);
}

struct ZoneCase {
    const char* zone;
    std::vector<std::time_t> switches; // UTC instants of the 2024 switches, from zdump -v
};

// Each zone in January and July, and half an hour before and after every switch of 2024.
const ZoneCase kZones[] = {
    {"Europe/Dublin", {1711846800, 1729990800}},       // winter time is its daylight saving
    {"Africa/Casablanca", {1710036000, 1713060000}},   // one hour back during Ramadan
    {"Australia/Lord_Howe", {1712415600, 1728142200}}, // half-hour shift
    {"Europe/Berlin", {1711846800, 1729990800}},
    {"America/New_York", {1710054000, 1730613600}},
    {"UTC", {}},
};

TEST_F(ControllerClockTest, ValueIsTheWallClockThatDateShowsInEveryZone) {
    for (const ZoneCase& c : kZones) {
        std::vector<std::time_t> instants{kWinter, kSummer};
        for (std::time_t at : c.switches) {
            instants.push_back(at - 1800);
            instants.push_back(at + 1800);
        }
        Zone(c.zone);
        for (std::time_t utc : instants) {
            const auto shown = WallClockByDate(c.zone, utc);
            ASSERT_TRUE(shown) << "date gave no wall clock for " << c.zone;
            EXPECT_EQ(ControllerClockValue(utc), *shown) << c.zone << " at " << utc;
        }
    }
}

} // namespace
} // namespace bf::test
