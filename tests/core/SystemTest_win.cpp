// Where the settings live on Windows, and the one-time read of an earlier installation's file in
// the Windows folder. The tests run in a Wine prefix of their own, whose Windows folder they may
// write.
#include "core/IniFile.h"
#include "core/SetupSettings.h"
#include "core/System.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

namespace bf {
namespace {

using namespace settings;

std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Sets APPDATA for the test's lifetime.
class AppDataFolder {
  public:
    explicit AppDataFolder(const wchar_t* value) {
        wchar_t saved[MAX_PATH] = {};
        if (GetEnvironmentVariableW(L"APPDATA", saved, MAX_PATH) > 0)
            m_saved = saved;
        SetEnvironmentVariableW(L"APPDATA", value);
    }
    ~AppDataFolder() { SetEnvironmentVariableW(L"APPDATA", m_saved ? m_saved->c_str() : nullptr); }
    AppDataFolder(const AppDataFolder&) = delete;
    AppDataFolder& operator=(const AppDataFolder&) = delete;

  private:
    std::optional<std::wstring> m_saved;
};

std::string WindowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    return Utf8Of(std::filesystem::path(std::wstring(folder, length)));
}

TEST(WindowsSettings, FileLivesInTheUsersApplicationDataFolder) {
    {
        const AppDataFolder appData(L"D:\\Profile\\J\u00FCrgen\\Roaming");
        EXPECT_EQ(FilePath(), "D:\\Profile\\J\xC3\xBCrgen\\Roaming\\BrenvaldorFlash.ini");
    }
    const AppDataFolder unset(nullptr);
    const std::string known = SettingsFolder();
    EXPECT_FALSE(known.empty()) << "the system names the folder when APPDATA is not set";
    EXPECT_EQ(FilePath(), known + "\\BrenvaldorFlash.ini");
    EXPECT_EQ(SharedSettingsFolder(), WindowsFolder());
}

TEST(WindowsSettings, TheWindowsFolderGivesTheStartingValuesAndIsNeverWritten) {
    test::TempDir dir;
    const std::wstring folder = dir.path().wstring();
    const AppDataFolder appData(folder.c_str());
    const std::string own = FilePath();
    const std::string shared = WindowsFolder() + "\\BrenvaldorFlash.ini";
    const std::string earlier = "[Setup]\nSerialPort=3\nSerialPortAuto=0\nSerialBaudRate=57600\n";
    ASSERT_TRUE(IniFile::Parse(earlier).Save(shared)) << "the test prefix's Windows folder is writable";

    EXPECT_EQ(ReadPath(), shared) << "no file of the user's own yet";
    IniFile start = IniFile::Load(ReadPath());
    EXPECT_EQ(ReadPortChoice(start), 3);
    EXPECT_EQ(ReadBaudRate(start), 57600);

    // What the programs save goes to the user's file; from then on that is the one read.
    IniFile saved = IniFile::Load(own);
    WriteSetup(saved, PortSettings{5, 19200, 0});
    ASSERT_TRUE(saved.Save(own));
    EXPECT_EQ(ReadPath(), own);
    EXPECT_EQ(ReadPortChoice(IniFile::Load(ReadPath())), 5);
    EXPECT_EQ(IniFile::Load(shared).Text(), earlier);

    DeleteFileW(std::filesystem::path(std::u8string(shared.begin(), shared.end())).c_str());
    DeleteFileW(std::filesystem::path(std::u8string(own.begin(), own.end())).c_str());
    EXPECT_EQ(ReadPath(), own) << "neither file: the user's own is named";
}

TEST(WindowsSystem, StandardErrorInAFileIsNoConsole) {
    const HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
    test::TempDir dir;
    const HANDLE file = CreateFileW((dir.path() / L"err").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetStdHandle(STD_ERROR_HANDLE, file);
    const bool onFile = StandardErrorIsTerminal();
    SetStdHandle(STD_ERROR_HANDLE, saved);
    CloseHandle(file);
    EXPECT_FALSE(onFile);
}

} // namespace
} // namespace bf
