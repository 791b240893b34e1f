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

TEST(ChoosePortLabel, TheDescriptionNamesPortDeviceAndRateOrTheSearch) {
    std::string error;
    auto search = ChoosePort({}, IniFile::Parse("[Setup]\nSerialBaudRate=9600\n"), nullptr, error);
    ASSERT_TRUE(search);
    EXPECT_EQ(PortDescription(*search), "a port search over COM1 to COM28 at 9600 bit/s");
    EXPECT_EQ(DevicePathOf(*search), "");
    search->settings.m_nPort = 13; // what the search found
    EXPECT_EQ(PortDescription(*search), "COM13 (/dev/ttyACM0) at 9600 bit/s");
    EXPECT_EQ(DevicePathOf(*search), "/dev/ttyACM0");
    const auto given =
        ChoosePort({"COM1", false, 57600}, IniFile::Parse("[Ports]\nCOM1=/tmp/x\n"), nullptr, error);
    ASSERT_TRUE(given);
    EXPECT_EQ(PortDescription(*given), "COM1 (/tmp/x) at 57600 bit/s");
    const auto fromFile = ChoosePort({}, IniFile::Parse("[Setup]\nSerialPort=1\n"), nullptr, error);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(PortLabel(*fromFile), "COM1");
    EXPECT_EQ(DevicePathOf(*fromFile), "/dev/ttyS0");
}

} // namespace
} // namespace bf::cli
