// Port names by number: the one reading of "COMn" for the settings file and the command line.
#include "core/ComName.h"

#include <gtest/gtest.h>

namespace bf {
namespace {

TEST(ComName, ReadsOneToThreeDigitsAfterThePrefixInAnyCase) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"COM1", 1},
        {"com28", 28},
        {"Com255", 255},
        {"COM0", 0},
        {"COM999", 999},
        {"COM", std::nullopt},
        {"COM1000", std::nullopt},
        {"COM05", std::nullopt},
        {"COM+5", std::nullopt},
        {"COM 5", std::nullopt},
        {"COM5 ", std::nullopt},
        {"COM5x", std::nullopt},
        {"LPT1", std::nullopt},
        {"5", std::nullopt},
        {"", std::nullopt},
        {"C0M5", std::nullopt},
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(ComNumber(text), number) << text;
    EXPECT_EQ(ComName(17), "COM17");
}

} // namespace
} // namespace bf
