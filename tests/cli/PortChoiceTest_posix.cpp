// A port given as a path to a device that a COM number already leads to, through a symbolic link.
#include "cli/PortChoice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace bf::cli {
namespace {

TEST(ChoosePortPaths, ASymbolicLinkIsResolvedBeforeComparing) {
    const std::string link =
        (std::filesystem::temp_directory_path() / ("bf-cli-link-" + std::to_string(getpid()))).string();
    ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
    std::string error;
    const auto choice =
        ChoosePort({link, false, 0}, IniFile::Parse("[Ports]\nCOM7=/dev/null\n"), nullptr, error);
    unlink(link.c_str());
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->settings.m_nPort, 7);
}

} // namespace
} // namespace bf::cli
