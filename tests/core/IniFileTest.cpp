#include "IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace bf {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class IniFileDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("bf-ini-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

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

TEST_F(IniFileDisk, MissingFileReadsEmpty) {
    const auto ini = IniFile::Load((m_dir / "none.ini").string());
    EXPECT_EQ(ini.Text(), "");
    EXPECT_FALSE(ini.Get("Setup", "SerialPort"));
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

TEST_F(IniFileDisk, FailedSaveLeavesTheOldFileWhole) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into a read-only folder";
    const auto path = m_dir / "a.ini";
    std::ofstream(path) << "[Setup]\nSerialPort=3\n";
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    IniFile ini;
    ini.Set("Setup", "SerialPort", "4");
    EXPECT_FALSE(ini.Save(path.string()));
    fs::permissions(m_dir, fs::perms::owner_all);
    EXPECT_EQ(ReadAll(path), "[Setup]\nSerialPort=3\n");
}

TEST_F(IniFileDisk, SaveThroughSymlinkReplacesTheTargetAndKeepsItsMode) {
    const auto target = m_dir / "real.ini";
    const auto link = m_dir / "link.ini";
    std::ofstream(target) << "[Setup]\n";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, link);
    auto ini = IniFile::Load(link.string());
    ini.Set("Setup", "SerialPort", "6");
    ASSERT_TRUE(ini.Save(link.string()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(target), "[Setup]\nSerialPort=6\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

} // namespace
} // namespace bf
