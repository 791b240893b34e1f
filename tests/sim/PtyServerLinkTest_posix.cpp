#include "sim/PtyServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace bf::sim {
namespace {

namespace fs = std::filesystem;

class PtyServerLinkTest : public ::testing::Test {
  protected:
    PtyServerLinkTest() {
        std::string pattern = (fs::temp_directory_path() / "bf-ptylink-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
    }
    ~PtyServerLinkTest() override { fs::remove_all(m_dir); }
    std::string In(const std::string& name) const { return (m_dir / name).string(); }
    static std::string Content(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    ControllerModel model;
    fs::path m_dir;
};

TEST_F(PtyServerLinkTest, LinkIsMadeAndRemovedAtTheEnd) {
    {
        PtyServer server(model, {In("tty"), false, true});
        ASSERT_TRUE(fs::is_symlink(In("tty")));
        EXPECT_EQ(fs::read_symlink(In("tty")).string(), server.TerminalPath());
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(In("tty"))));
}

TEST_F(PtyServerLinkTest, NothingThatIsAlreadyThereIsReplacedOrRemoved) {
    std::ofstream(In("file")) << "keep";
    fs::create_symlink("/dev/null", In("device-link"));
    fs::create_directory(In("folder"));
    const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto openBefore = openFiles();
    for (const char* name : {"file", "device-link", "folder"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(PtyServer(model, {In(name), false, true}), std::system_error);
    }
    EXPECT_EQ(openFiles(), openBefore) << "the terminal was left open";
    EXPECT_EQ(Content(In("file")), "keep");
    EXPECT_EQ(fs::read_symlink(In("device-link")), "/dev/null");
    EXPECT_TRUE(fs::is_directory(In("folder")));
}

TEST_F(PtyServerLinkTest, ALinkReplacedDuringTheRunIsLeftAlone) {
    {
        PtyServer server(model, {In("tty"), false, true});
        fs::remove(In("tty"));
        std::ofstream(In("tty")) << "someone else's";
    }
    EXPECT_EQ(Content(In("tty")), "someone else's");
}

} // namespace
} // namespace bf::sim
