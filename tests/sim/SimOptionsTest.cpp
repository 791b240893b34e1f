#include "SimOptions.h"

#include <gtest/gtest.h>

namespace bf::sim {
namespace {

std::optional<SimOptions> Parse(const std::vector<std::string>& args, std::string* error = nullptr) {
    std::string message;
    auto options = ParseSimOptions(args, message);
    if (error)
        *error = message;
    return options;
}

TEST(SimOptionsTest, DefaultsServeAHealthyController) {
    const auto o = Parse({});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->linkPath.empty());
    EXPECT_FALSE(o->pace);
    EXPECT_TRUE(o->rateCheck);
    EXPECT_FALSE(o->faults.silent);
    EXPECT_EQ(o->faults.refuseFrame, 0u);
}

TEST(SimOptionsTest, EveryKnobReachesTheFaults) {
    const auto o =
        Parse({"--link",     "/tmp/tty",       "--pace", "--no-rate-check", "--silent", "--silent-on",
               "F2,24",      "--delay",        "150",    "--wrong-byte",    "F1=7f",    "--extra-bytes",
               "FB=2",       "--refuse-frame", "3",      "--refuse-code",   "06",       "--refuse-times",
               "4",          "--noise",        "5",      "--drop-after",    "100",      "--stream",
               "--printout", "p.txt"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->linkPath, "/tmp/tty");
    EXPECT_TRUE(o->pace);
    EXPECT_FALSE(o->rateCheck);
    EXPECT_TRUE(o->faults.silent);
    EXPECT_EQ(o->faults.silentOn, (std::set<std::uint8_t>{0xF2, 0x24}));
    EXPECT_EQ(o->faults.answerDelayMs, 150u);
    EXPECT_EQ(o->faults.wrongByteOn.at(0xF1), 0x7F);
    EXPECT_EQ(o->faults.extraBytesOn.at(0xFB), 2u);
    EXPECT_EQ(o->faults.refuseFrame, 3u);
    EXPECT_EQ(o->faults.refuseCode, 0x06);
    EXPECT_EQ(o->faults.refuseTimes, 4u);
    EXPECT_EQ(o->faults.noiseBytes, 5u);
    EXPECT_EQ(o->faults.dropAfterFrames, 100u);
    EXPECT_TRUE(o->faults.stream);
    EXPECT_EQ(o->printoutFile, "p.txt");
}

TEST(SimOptionsTest, StoreTimeReachesTheModel) {
    const auto o = Parse({"--pace", "--store-ms", "120"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->faults.storeMs, 120u);
    EXPECT_FALSE(Parse({"--store-ms", "soon"}));
}

TEST(SimOptionsTest, RefusalDefaultsToOnceWithBlockNotEmpty) {
    const auto o = Parse({"--refuse-frame", "2"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->faults.refuseTimes, 1u);
    EXPECT_EQ(o->faults.refuseCode, 0x05);
}

TEST(SimOptionsTest, MistakesAreReported) {
    std::string error;
    EXPECT_FALSE(Parse({"--bogus"}, &error));
    EXPECT_NE(error.find("--bogus"), std::string::npos);
    EXPECT_FALSE(Parse({"--delay"}, &error)) << "missing value";
    EXPECT_FALSE(Parse({"--delay", "12ms"}));
    EXPECT_FALSE(Parse({"--wrong-byte", "F1"}));
    EXPECT_FALSE(Parse({"--wrong-byte", "F1=100"}));
    EXPECT_FALSE(Parse({"--silent-on", "F1,,F2"}));
    EXPECT_FALSE(Parse({"--link", ""}));
}

} // namespace
} // namespace bf::sim
