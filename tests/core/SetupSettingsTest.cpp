#include "core/SetupSettings.h"

#include <gtest/gtest.h>

namespace bf {
namespace {

using namespace settings;

IniFile SetupFile(const std::string& body) {
    return IniFile::Parse("[Setup]\n" + body);
}

TEST(ParseDecimal, FollowsTheStandardConversion) {
    EXPECT_EQ(ParseDecimal("42"), 42);
    EXPECT_EQ(ParseDecimal("  -1"), -1);
    EXPECT_EQ(ParseDecimal("+3x"), 3);
    EXPECT_EQ(ParseDecimal("3 4"), 3);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("-"), 0);
    EXPECT_EQ(ParseDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(ParseDecimal("-99999999999999999999"), -2147483647 - 1);
}

TEST(SetupSettings, PortChoiceOneToSixElseAuto) {
    EXPECT_EQ(ReadPortChoice(IniFile{}), 0);
    EXPECT_EQ(ReadPortChoice(SetupFile("SerialPort=1\n")), 1);
    EXPECT_EQ(ReadPortChoice(SetupFile("SerialPort=6\n")), 6);
    for (const char* v : {"0", "7", "9", "-1", "COM3", "", "4294967299"})
        EXPECT_EQ(ReadPortChoice(SetupFile(std::string("SerialPort=") + v + "\n")), 0) << v;
    // The automatic flag is never read.
    EXPECT_EQ(ReadPortChoice(SetupFile("SerialPort=2\nSerialPortAuto=1\n")), 2);
}

TEST(SetupSettings, PortSettingTellsASearchFromAWrongEntry) {
    using Kind = PortSetting::Kind;
    struct Case {
        const char* body;
        Kind kind;
        int port;
        const char* text;
    };
    const Case cases[] = {
        {"", Kind::Search, 0, ""},
        {"SerialPort=0\n", Kind::Search, 0, ""},
        {"SerialPort=0\nSerialPortAuto=0\n", Kind::Search, 0, ""},
        {"SerialPort=+0\n", Kind::Search, 0, ""},
        {"SerialPort=-0\n", Kind::Search, 0, ""},
        {"SerialPort= 0 \n", Kind::Search, 0, ""},
        {"SerialPort=-\n", Kind::Invalid, 0, "-"},
        {"SerialPort=+x\n", Kind::Invalid, 0, "+x"},
        {"SerialPort=99\nSerialPortAuto=1\n", Kind::Search, 0, ""},
        {"SerialPort=\nSerialPortAuto=1\n", Kind::Search, 0, ""},
        {"SerialPort=5\nSerialPortAuto=1\n", Kind::Port, 5, ""},
        {"SerialPort=1\n", Kind::Port, 1, ""},
        {"SerialPort=6\n", Kind::Port, 6, ""},
        {"SerialPort=7\n", Kind::Invalid, 0, "7"},
        {"SerialPort=99\nSerialPortAuto=0\n", Kind::Invalid, 0, "99"},
        {"SerialPort=-1\n", Kind::Invalid, 0, "-1"},
        {"SerialPort=\n", Kind::Invalid, 0, ""},
        {"SerialPort=COM3\n", Kind::Invalid, 0, "COM3"},
    };
    for (const Case& c : cases) {
        const PortSetting setting = ReadPortSetting(SetupFile(c.body));
        EXPECT_EQ(setting.kind, c.kind) << c.body;
        EXPECT_EQ(setting.port, c.port) << c.body;
        EXPECT_EQ(setting.text, c.text) << c.body;
    }
}

TEST(SetupSettings, BaudRateFromTheMenuElse38400) {
    EXPECT_EQ(ReadBaudRate(IniFile{}), 38400);
    EXPECT_EQ(ReadBaudRate(SetupFile("SerialBaudRate=9600\n")), 9600);
    EXPECT_EQ(ReadBaudRate(SetupFile("SerialBaudRate=19200\n")), 19200);
    EXPECT_EQ(ReadBaudRate(SetupFile("SerialBaudRate=57600\n")), 57600);
    EXPECT_EQ(ReadBaudRate(SetupFile("SerialBaudRate=38400\n")), 38400);
    EXPECT_EQ(ReadBaudRate(SetupFile("SerialBaudRate=115200\n")), 38400);
}

TEST(SetupSettings, ValueLongerThanTheReadBufferIsCut) {
    // Only the first 255 characters are read: leading zeros push the last digit past the cut.
    EXPECT_EQ(ReadBaudRate(SetupFile("SerialBaudRate=" + std::string(252, '0') + "9600\n")), 38400);
    EXPECT_EQ(ReadBaudRate(SetupFile("SerialBaudRate=" + std::string(251, '0') + "9600\n")), 9600);
}

TEST(SetupSettings, WritesTheThreeKeysWithAutoWrittenAsPortZero) {
    IniFile ini;
    WriteSetup(ini, PortSettings{2, 57600, 0});
    EXPECT_EQ(ini.Text(), "[Setup]\nSerialPort=2\nSerialPortAuto=0\nSerialBaudRate=57600\n");
    WriteSetup(ini, PortSettings{4, 38400, 1});
    EXPECT_EQ(ini.Text(), "[Setup]\nSerialPort=0\nSerialPortAuto=1\nSerialBaudRate=38400\n");
}

TEST(SetupSettings, PortOverridesTakeOnlyCom1To28WithAPath) {
    const auto ini = IniFile::Parse("[Ports]\nCOM1=/tmp/sim\ncom28 = /dev/x\nCOM29=/dev/y\nCOM0=/dev/z\n"
                                    "COM5=\nLPT1=/dev/lp0\nCOM3x=/dev/w\nCOM007=/dev/v\n");
    const std::vector<std::pair<int, std::string>> expected{{1, "/tmp/sim"}, {28, "/dev/x"}};
    EXPECT_EQ(ReadPortOverrides(ini), expected);
}

TEST(SetupSettings, PaneText) {
    EXPECT_EQ(PortPaneText(PortSettings{0, 38400, 1}), "\tAUTO:38400");
    EXPECT_EQ(PortPaneText(PortSettings{4, 57600, 1}), "\tAUTO:57600");
    EXPECT_EQ(PortPaneText(PortSettings{3, 19200, 0}), "\tCOM3:19200");
}

} // namespace
} // namespace bf
