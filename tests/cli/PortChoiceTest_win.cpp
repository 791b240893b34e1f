// Ports on Windows are the system's own: COM1 to COM255 and "\\.\COMn"; other paths and the
// [Ports] map of the settings file lead nowhere.
#include "cli/PortChoice.h"
#include "cli/PortNaming.h"

#include <gtest/gtest.h>

namespace bf::cli {
namespace {

constexpr char kMappedSettings[] = "[Ports]\nCOM3=/dev/ttyUSB0\nCOM40=/dev/ttyACM0\n";

TEST(WindowsPortChoice, TheSystemsOwnNamesUpToCom255) {
    const struct {
        const char* given;
        int port;
        const char* label;
    } cases[] = {
        {"COM1", 1, "COM1"},
        {"com28", 28, "COM28"},
        {"COM29", 29, "COM29"},
        {"COM255", 255, "COM255"},
        {"\\\\.\\COM12", 12, "\\\\.\\COM12"},
        {"\\\\.\\com200", 200, "\\\\.\\com200"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        std::string error;
        const auto choice = ChoosePort({c.given, false, 0}, IniFile::Parse(kMappedSettings), nullptr, error);
        ASSERT_TRUE(choice) << error;
        EXPECT_EQ(choice->settings.m_nPort, c.port);
        EXPECT_EQ(choice->settings.m_bAutoPort, 0);
        EXPECT_EQ(PortLabel(*choice), c.label);
        EXPECT_EQ(DevicePathOf(*choice), "\\\\.\\COM" + std::to_string(c.port))
            << "the [Ports] map is not used";
    }
}

TEST(WindowsPortChoice, AnyOtherPathIsAUsageErrorThatSaysWhatToGive) {
    for (const char* bad : {"COM256", "\\\\.\\COM0", "\\\\.\\COM256", "\\\\.\\COM5x", "\\\\.\\PhysicalDrive0",
                            "C:\\ports\\COM3", "/dev/ttyUSB0", "\\\\?\\COM3", "//./COM3", "\\\\.\\"}) {
        SCOPED_TRACE(bad);
        std::string error;
        EXPECT_FALSE(ChoosePort({bad, false, 0}, IniFile::Parse(kMappedSettings), nullptr, error));
        EXPECT_EQ(error,
                  std::string("invalid port '") + bad + "' in --port: give COM1 to COM255, or \\\\.\\COMn");
    }
}

TEST(WindowsPortChoice, TheSearchAndTheSettingsPortUseTheSystemsNames) {
    std::string error;
    auto settings =
        ChoosePort({}, IniFile::Parse("[Setup]\nSerialPort=3\n[Ports]\nCOM3=/dev/ttyS7\n"), nullptr, error);
    ASSERT_TRUE(settings) << error;
    EXPECT_EQ(PortDescription(*settings), "COM3 (\\\\.\\COM3) at 38400 bit/s");
    auto search = ChoosePort({std::nullopt, true, 0}, IniFile::Parse(""), nullptr, error);
    ASSERT_TRUE(search) << error;
    EXPECT_EQ(DevicePathOf(*search, 17), "\\\\.\\COM17");
    EXPECT_EQ(DevicePathOf(*search), "") << "a search that found no port has no device";
}

} // namespace
} // namespace bf::cli
