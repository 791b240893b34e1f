#include "serial/PortHolder_linux.h"
#include "tests/support/HolderProcess_posix.h"
#include "tests/support/Terminal_posix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace bf {
namespace {

namespace fs = std::filesystem;

// A fake /proc: process folders with fd links and a comm file.
struct PortHolderTest : ::testing::Test {
    fs::path root = fs::temp_directory_path() / ("portholder-" + std::to_string(getpid()));
    fs::path device = root / "ttyUSB0";
    fs::path proc = root / "proc";

    PortHolderTest() {
        fs::create_directories(proc);
        std::ofstream(device).put('x');
    }
    ~PortHolderTest() override { fs::remove_all(root); }

    void AddProcess(const std::string& pid, const std::string& comm, const std::vector<fs::path>& fds) {
        fs::create_directories(proc / pid / "fd");
        std::ofstream(proc / pid / "comm") << comm << "\n";
        int fd = 3;
        for (const fs::path& target : fds)
            fs::create_symlink(target, proc / pid / "fd" / std::to_string(fd++));
    }
};

TEST_F(PortHolderTest, FindsTheProcessWithADescriptorOnTheDevice) {
    AddProcess("100", "bash", {"/dev/null", "/dev/pts/0"});
    AddProcess("812", "ModemManager", {"/dev/null", device});
    fs::create_directories(proc / "sys"); // not a process
    const auto holder = FindPortHolder(device.string(), proc.string());
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->pid, 812);
    EXPECT_EQ(holder->name, "ModemManager");
}

TEST_F(PortHolderTest, FollowsALinkToTheDeviceAndSkipsOurselves) {
    const fs::path alias = root / "by-id-adapter";
    fs::create_symlink(device, alias);
    AddProcess(std::to_string(getpid()), "self", {device});
    EXPECT_FALSE(FindPortHolder(alias.string(), proc.string()));
    AddProcess("2001", "brltty", {device});
    const auto holder = FindPortHolder(alias.string(), proc.string());
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->name, "brltty");
}

TEST_F(PortHolderTest, NothingFoundForAMissingDeviceOrProcRoot) {
    AddProcess("5", "x", {device});
    EXPECT_FALSE(FindPortHolder((root / "nope").string(), proc.string()));
    EXPECT_FALSE(FindPortHolder(device.string(), (root / "noproc").string()));
}

using test::Terminal;

TEST(PortHolderOnATerminal, AProgramThatKeepsTheDeviceOpenIsAHolderThroughAnyName) {
    Terminal terminal;
    ASSERT_FALSE(terminal.path.empty());
    const fs::path alias = fs::temp_directory_path() / ("portholder-alias-" + std::to_string(getpid()));
    fs::create_symlink(terminal.path, alias);
    ASSERT_GE(terminal.OpenPort(alias.string()), 0);
    int pauses = 0;
    const auto pause = [&] { ++pauses; };
    EXPECT_FALSE(FindLastingHolder(terminal.port, pause)) << "our own descriptor is no holder";
    EXPECT_EQ(pauses, 0) << "no second look without a first find";

    test::HolderProcess holder(terminal.path);
    const auto found = FindLastingHolder(terminal.port, pause);
    fs::remove(alias);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->pid, holder.Pid());
    EXPECT_EQ(found->name, "sleep");
    EXPECT_EQ(pauses, 1);
    EXPECT_TRUE(FindPortHolder(terminal.path)) << "the same process, found by the device's path";
}

TEST(PortHolderOnATerminal, AProgramThatLetsGoDuringTheSecondLookIsNoHolder) {
    Terminal terminal;
    ASSERT_FALSE(terminal.path.empty());
    ASSERT_GE(terminal.OpenPort(terminal.path), 0);
    test::HolderProcess passing(terminal.path);
    EXPECT_FALSE(FindLastingHolder(terminal.port, [&] { passing.Stop(); }));
}

} // namespace
} // namespace bf
