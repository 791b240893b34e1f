#include "core/IniFile.h"
#include "tests/core/IniFileDisk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace bf {
namespace {

namespace fs = std::filesystem;
using test::IniFileDisk;
using test::ReadAll;

TEST(IniFile, ReadsKeysWithoutRegardToCaseAndTrimmed) {
    const auto ini =
        IniFile::Parse("[other]\r\nSerialPort=9\r\n[ setup ]\r\n  serialport =  3  \r\nx=\"quoted\"\r\n");
    EXPECT_EQ(ini.Get("Setup", "SerialPort"), "3");
    EXPECT_EQ(ini.Get("SETUP", "X"), "quoted");
    EXPECT_EQ(ini.Get("other", "SerialPort"), "9");
    EXPECT_FALSE(ini.Get("Setup", "Missing"));
    EXPECT_FALSE(ini.Get("Missing", "SerialPort"));
}

TEST(IniFile, CommentsAndLinesWithoutEqualsAreNotKeys) {
    const auto ini = IniFile::Parse("[Setup]\n;SerialPort=4\nnoise\nSerialPort=5\n");
    EXPECT_EQ(ini.Get("Setup", "SerialPort"), "5");
    ASSERT_EQ(ini.Keys("Setup").size(), 1u);
}

TEST(IniFile, NewFileGetsSectionAndKeysInWriteOrder) {
    IniFile ini;
    ini.Set("Setup", "SerialPort", "2");
    ini.Set("Setup", "SerialPortAuto", "0");
    ini.Set("Setup", "SerialBaudRate", "57600");
    EXPECT_EQ(ini.Text(), "[Setup]\nSerialPort=2\nSerialPortAuto=0\nSerialBaudRate=57600\n");
}

TEST(IniFile, SettingKeepsEveryOtherLineAndReplacesInPlace) {
    auto ini = IniFile::Parse("; my notes\n[Setup]\nSerialBaudRate=9600\nExtra=1\n\n[Ports]\nCOM5=/dev/x\n");
    ini.Set("Setup", "SerialBaudRate", "19200");
    ini.Set("Setup", "SerialPort", "0");
    ini.Set("Window", "Left", "4");
    EXPECT_EQ(ini.Text(), "; my notes\n[Setup]\nSerialBaudRate=19200\nExtra=1\nSerialPort=0\n\n[Ports]\n"
                          "COM5=/dev/x\n\n[Window]\nLeft=4\n");
}

TEST_F(IniFileDisk, MissingFileReadsEmptyAndIsCreated) {
    auto ini = IniFile::Load((m_dir / "none.ini").string());
    EXPECT_EQ(ini.Text(), "");
    EXPECT_FALSE(ini.Get("Setup", "SerialPort"));
    ini.Set("Setup", "SerialPort", "2");
    EXPECT_TRUE(ini.Save((m_dir / "none.ini").string()));
    EXPECT_EQ(ReadAll(m_dir / "none.ini"), "[Setup]\nSerialPort=2\n");
}

TEST_F(IniFileDisk, SaveCreatesFolderAndRoundTrips) {
    const auto path = m_dir / "sub" / "a.ini";
    auto ini = IniFile::Parse("[Ports]\nCOM1=/tmp/p\n");
    ini.Set("Setup", "SerialPort", "1");
    ASSERT_TRUE(ini.Save(path.string()));
    EXPECT_EQ(ReadAll(path), ini.Text());
    EXPECT_EQ(IniFile::Load(path.string()).Get("Ports", "COM1"), "/tmp/p");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "sub"), fs::directory_iterator()), 1);
}

TEST_F(IniFileDisk, FileOfTheLimitSizeIsReadAndWritten) {
    const auto path = m_dir / "a.ini";
    std::string text = "[Setup]\nSerialPort=3\n;";
    text += std::string(IniFile::kMaxFileSize - text.size() - 1, 'x') + "\n";
    ASSERT_EQ(text.size(), IniFile::kMaxFileSize);
    std::ofstream(path, std::ios::binary) << text;
    auto ini = IniFile::Load(path.string());
    EXPECT_EQ(ini.Get("Setup", "SerialPort"), "3");
    ini.Set("Setup", "SerialPort", "4");
    EXPECT_TRUE(ini.Save(path.string()));
    EXPECT_EQ(IniFile::Load(path.string()).Get("Setup", "SerialPort"), "4");
}

} // namespace
} // namespace bf
