// Which port and rate a command uses: options over the environment over the settings file.
#include "cli/PortChoice.h"
#include "cli/PortNaming.h"

#include <gtest/gtest.h>

namespace bf::cli {
namespace {

struct ChoiceCase {
    const char* name;
    PortRequest request;
    const char* env;
    const char* settings;
    int port;
    int autoPort;
    int baud;
    const char* label;
};

const ChoiceCase kCases[] = {
    {"NoSettingsFileSearchesAt38400", {}, nullptr, "", 0, 1, 38400, "AUTO"},
    {"SettingsPortAndRate",
     {},
     nullptr,
     "[Setup]\nSerialPort=3\nSerialBaudRate=19200\n",
     3,
     0,
     19200,
     "COM3"},
    {"SettingsAutoFlagIsNotRead",
     {},
     nullptr,
     "[Setup]\nSerialPort=0\nSerialPortAuto=0\n",
     0,
     1,
     38400,
     "AUTO"},
    {"OptionPortBeyondTheMenu", {"COM17", false, 0}, nullptr, "", 17, 0, 38400, "COM17"},
    {"HighestComNumber", {"COM28", false, 0}, nullptr, "", 28, 0, 38400, "COM28"},
    {"LowerCaseComNumber", {"com5", false, 57600}, nullptr, "", 5, 0, 57600, "COM5"},
    {"EnvironmentStandsInForThePort", {}, "COM2", "[Setup]\nSerialPort=4\n", 2, 0, 38400, "COM2"},
    {"OptionBeatsEnvironment", {"COM6", false, 0}, "COM2", "", 6, 0, 38400, "COM6"},
    {"SettingsAutoWithAWrongPort",
     {},
     nullptr,
     "[Setup]\nSerialPort=99\nSerialPortAuto=1\n",
     0,
     1,
     38400,
     "AUTO"},
    {"SettingsWithoutSerialPort", {}, nullptr, "[Setup]\nSerialBaudRate=9600\n", 0, 1, 9600, "AUTO"},
    {"AutoBeatsEnvironmentAndSettings",
     {std::nullopt, true, 9600},
     "COM2",
     "[Setup]\nSerialPort=4\n",
     0,
     1,
     9600,
     "AUTO"},
    {"OptionRateBeatsSettings",
     {"COM1", false, 9600},
     nullptr,
     "[Setup]\nSerialBaudRate=57600\n",
     1,
     0,
     9600,
     "COM1"},
};

class ChoosePortTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChoosePortTest, Chooses) {
    const ChoiceCase& c = GetParam();
    std::string error;
    const auto choice = ChoosePort(c.request, IniFile::Parse(c.settings), c.env, error);
    ASSERT_TRUE(choice) << error;
    EXPECT_EQ(choice->settings.m_nPort, c.port);
    EXPECT_EQ(choice->settings.m_bAutoPort, c.autoPort);
    EXPECT_EQ(choice->settings.m_nBaudRate, c.baud);
    EXPECT_EQ(PortLabel(*choice), c.label);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChoosePortTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChoosePortErrors, PortAndAutoExcludeEachOther) {
    std::string error;
    EXPECT_FALSE(ChoosePort({"COM1", true, 0}, IniFile::Parse(""), nullptr, error));
    EXPECT_EQ(error, "--port and --auto exclude each other");
}

TEST(ChoosePortErrors, RefusesWhatIsNeitherComNumberNorPath) {
    const std::string beyond = ComName(LastGivenPort() + 1);
    for (const std::string bad : {"COM0", beyond.c_str(), "COM", "COM5x", "ttyUSB0", "5", "TTY5", "ACM5",
                                  "COM05", "COM+5", "COM 5"}) {
        std::string error;
        EXPECT_FALSE(ChoosePort({bad, false, 0}, IniFile::Parse(""), nullptr, error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
}

// A port that is given but empty or wrong is an error that names where it came from; it never
// turns into a port search, which would write to whatever controller answers first.
TEST(ChoosePortErrors, AGivenPortThatIsEmptyOrWrongIsNeverASearch) {
    struct Case {
        PortRequest request;
        const char* env;
        const char* settings;
        const char* error;
    };
    // COM256 is beyond the ports of every system; the hints name COM1 to the system's last.
    const Case cases[] = {
        {{""}, "COM2", "", "--port is empty: give COM1 to COM"},
        {{}, "", "[Setup]\nSerialPort=4\n", "BRENVALDOR_PORT is empty: give COM1 to COM"},
        {{}, "COM256", "", "invalid port 'COM256' in BRENVALDOR_PORT: give COM1 to COM"},
        {{"COM0"}, nullptr, "", "invalid port 'COM0' in --port: give COM1 to COM"},
        {{}, nullptr, "[Setup]\nSerialPort=99\nSerialPortAuto=0\n", "invalid port 'SerialPort=99' in "},
        {{}, nullptr, "[Setup]\nSerialPort=\n", "invalid port 'SerialPort=' in "},
        {{}, nullptr, "[Setup]\nSerialPort=COM3\n", "invalid port 'SerialPort=COM3' in "},
        {{}, nullptr, "[Setup]\nSerialPort=-1\n", "invalid port 'SerialPort=-1' in "},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ChoosePort(c.request, IniFile::Parse(c.settings), c.env, error)) << c.error;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

TEST(ChoosePortLabel, ASearchNamesThePortItFound) {
    std::string error;
    auto choice = ChoosePort({}, IniFile::Parse(""), nullptr, error);
    ASSERT_TRUE(choice);
    choice->settings.m_nPort = 12;
    EXPECT_EQ(PortLabel(*choice), "COM12");
}

// Before the search has found a port there is no device to name (Windows would otherwise name COM0).
TEST(ChoosePortLabel, ASearchHasNoDeviceUntilItFindsAPort) {
    std::string error;
    auto choice = ChoosePort({}, IniFile::Parse(""), nullptr, error);
    ASSERT_TRUE(choice);
    EXPECT_EQ(DevicePathOf(*choice), "");
    choice->settings.m_nPort = 2;
    EXPECT_EQ(DevicePathOf(*choice), DevicePathOf(*choice, 2));
    EXPECT_NE(DevicePathOf(*choice), "");
}

} // namespace
} // namespace bf::cli
