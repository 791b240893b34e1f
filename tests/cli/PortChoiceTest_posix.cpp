// A port given as a device path: the COM number that leads to it, or COM1 led to it.
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

TEST(ChoosePortPaths, APathAComNumberLeadsToKeepsThatNumber) {
    std::string error;
    const auto viaDefault = ChoosePort({"/dev/ttyUSB3", false, 0}, IniFile::Parse(""), nullptr, error);
    ASSERT_TRUE(viaDefault);
    EXPECT_EQ(viaDefault->settings.m_nPort, 8);
    EXPECT_EQ(PortLabel(*viaDefault), "/dev/ttyUSB3");
    const auto lastPort = ChoosePort({"/dev/rfcomm7", false, 0}, IniFile::Parse(""), nullptr, error);
    ASSERT_TRUE(lastPort);
    EXPECT_EQ(lastPort->settings.m_nPort, 28);
    const auto viaSettings = ChoosePort({"/tmp/ttyBRENVALDOR", false, 0},
                                        IniFile::Parse("[Ports]\nCOM9=/tmp/ttyBRENVALDOR\n"), nullptr, error);
    ASSERT_TRUE(viaSettings);
    EXPECT_EQ(viaSettings->settings.m_nPort, 9);
}

TEST(ChoosePortPaths, AnyOtherPathIsReachedAsCom1AndUsedAsIs) {
    std::string error;
    const auto choice = ChoosePort({"/tmp/no-such-tty", false, 0},
                                   IniFile::Parse("[Ports]\nCOM1=/dev/ttyS9\n"), nullptr, error);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->settings.m_nPort, 1);
    EXPECT_EQ(choice->settings.m_bAutoPort, 0);
    EXPECT_EQ(choice->map.DevicePath(1), "/tmp/no-such-tty");
    EXPECT_EQ(PortLabel(*choice), "/tmp/no-such-tty");
}

// The device a choice leads to: through the port map; none for a search that found no port.
TEST(ChoosePortPaths, TheDeviceOfAPortIsTheMapsAndASearchWithoutAPortHasNone) {
    std::string error;
    const auto com5 =
        ChoosePort({"COM5", false, 0}, IniFile::Parse("[Ports]\nCOM6=/dev/ttyX\n"), nullptr, error);
    ASSERT_TRUE(com5) << error;
    EXPECT_EQ(DevicePathOf(*com5), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathOf(*com5, 6), "/dev/ttyX");
    const auto com1 = ChoosePort({"COM1", false, 0}, IniFile::Parse(""), nullptr, error);
    ASSERT_TRUE(com1) << error;
    EXPECT_EQ(DevicePathOf(*com1), "/dev/ttyS0");
    const auto search = ChoosePort({std::nullopt, true, 0}, IniFile::Parse(""), nullptr, error);
    ASSERT_TRUE(search) << error;
    EXPECT_EQ(DevicePathOf(*search), "");
}

} // namespace
} // namespace bf::cli
