#include "sim/SimOptions.h"
#include "tests/support/Unprivileged_posix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

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

// A fresh folder for the files the options name, removed with its content at the end.
class SimPathsTest : public ::testing::Test {
  protected:
    SimPathsTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "bf-simopt-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
        std::ofstream(In("printout.txt")) << "P1=1\r\n";
    }
    ~SimPathsTest() override { std::filesystem::remove_all(m_dir); }
    std::string In(const std::string& name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};

TEST_F(SimPathsTest, EveryKnobReachesTheFaults) {
    const auto o =
        Parse({"--link",     In("tty"),          "--pace",   "--no-rate-check", "--silent", "--silent-on",
               "F2,24",      "--delay",          "150",      "--wrong-byte",    "F1=7f",    "--extra-bytes",
               "FB=2",       "--refuse-frame",   "3",        "--refuse-code",   "06",       "--refuse-times",
               "4",          "--noise",          "5",        "--drop-after",    "100",      "--stream",
               "--printout", In("printout.txt"), "--record", In("record")});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->linkPath, In("tty"));
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
    EXPECT_EQ(o->printoutFile, In("printout.txt"));
    EXPECT_EQ(o->recordFile, In("record"));
}

TEST_F(SimPathsTest, PathsThatCannotServeAreRefusedAtTheStart) {
    std::ofstream(In("taken")) << "keep";
    std::filesystem::create_symlink(In("gone"), In("dangling"));
    std::filesystem::create_directory(In("folder"));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--link", In("taken")}, "something is already there"},
        {{"--link", In("dangling")}, "something is already there"},
        {{"--link", In("folder")}, "something is already there"},
        {{"--printout", In("folder")}, "is a folder, not a file"},
        {{"--printout", In("missing")}, "No such file or directory"},
        {{"--record", In("missing/record")}, "the folder " + In("missing") + " does not exist"},
        {{"--record", In("taken/record")}, In("taken") + " is not a folder"},
        {{"--record", In("folder")}, "is a folder, not a file"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        std::string error;
        EXPECT_FALSE(Parse(args, &error));
        EXPECT_NE(error.find(args[0] + " " + args[1] + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
    EXPECT_TRUE(Parse({"--record", In("folder/record"), "--printout", In("printout.txt")}));
    EXPECT_TRUE(Parse({"--record", "relative-record"}));
}

TEST_F(SimPathsTest, FilesThisUserMayNotUseAreRefused) {
    namespace fs = std::filesystem;
    std::ofstream(In("secret.txt")) << "P1=1\r\n";
    fs::permissions(In("secret.txt"), fs::perms::none);
    fs::create_directory(In("locked"));
    std::ofstream(In("locked/open-record")) << "";
    fs::permissions(In("locked/open-record"), fs::perms::all);
    fs::permissions(In("locked"), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
    fs::permissions(m_dir, fs::perms::all);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--printout", In("secret.txt")}, ": Permission denied"},
        {{"--record", In("locked/record")},
         ": the folder " + In("locked") + " is not writable: Permission denied"},
        {{"--record", In("secret.txt")}, ": Permission denied"},
        {{"--record", In("locked/open-record")}, ""}, // a file this user may write, in any folder
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args[1]);
        // 0: as expected; 1: accepted although it should not be; 2: refused, or with another message.
        EXPECT_EQ(test::RunUnprivileged([&] {
                      std::string error;
                      if (Parse(args, &error))
                          return message.empty() ? 0 : 1;
                      return error == args[0] + " " + args[1] + message ? 0 : 2;
                  }),
                  0);
    }
    // Without --record no folder needs to be writable, not even the current one.
    EXPECT_EQ(
        test::RunUnprivileged([&] { return chdir(In("locked").c_str()) == 0 && Parse({"--pace"}) ? 0 : 1; }),
        0);
    fs::permissions(In("locked"), fs::perms::owner_all); // so that it can be removed
}

TEST(SimOptionsTest, RefusalCodeIsOneTheControllerSends) {
    for (const char* code : {"04", "05", "06"})
        EXPECT_TRUE(Parse({"--refuse-code", code})) << code;
    for (const char* code : {"00", "03", "07", "ff"}) {
        std::string error;
        EXPECT_FALSE(Parse({"--refuse-code", code}, &error)) << code;
        EXPECT_EQ(error, "--refuse-code must be 04, 05 or 06");
    }
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
