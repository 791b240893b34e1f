// The Windows window end to end: File > Open of the demo firmware, then File > Update through the
// system's serial port against brenvaldor-sim on COM<BF_TEST_COM>, one of the menu's COM1 to COM6
// (scripts/wine-run --sim --sim-com 1), chosen in the settings file as a user chooses it. The
// controller's checksum of every sector the image touches matches the image ("CHECKSUM OK").
#include "core/Clock.h"
#include "tests/winapp/WindowFixture_win.h"
#include "tool/CommandIds.h"
#include "tool/ModuleOperations.h"

#include <cstdlib>

namespace bf::test {
namespace {

using namespace cmd_id;

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

TEST(WindowUpdateTest, UpdateThroughTheWindowLeavesTheFileInTheControllersFlash) {
    const char* com = std::getenv("BF_TEST_COM");
    ASSERT_NE(com, nullptr) << "run through scripts/wine-run --sim";
    const int port = std::atoi(com);
    ASSERT_TRUE(port >= 1 && port <= 6) << "the menu's ports are COM1 to COM6: wine-run --sim-com 1";
    TempDir dir;
    std::ofstream(dir / "BrenvaldorFlash.ini", std::ios::binary)
        << "[Setup]\r\nSerialPort=" << port << "\r\nSerialBaudRate=57600\r\n";
    RecordingPrompter prompter;
    ModuleOperations operations;
    SteadyClock clock;
    win::CFlashToolDlg window(prompter, operations, clock, dir / "BrenvaldorFlash.ini");
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));

    prompter.fileAnswers.push_back(Wide(BF_DEMO_FIRMWARE));
    SendMessageW(window.Handle(), WM_COMMAND, FileOpen, 0);
    SendMessageW(window.Handle(), WM_COMMAND, FileUpdate, 0);
    const std::string log = window.LogText();
    EXPECT_EQ(log.rfind("OPEN SERIAL PORT COM" + std::to_string(port) + ":57600\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("ERASE FLASH MEMORY\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("VERIFY CHECKSUM\r\nCHECKSUM OK\r\n"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("SERIAL PORT CLOSED\r\n")) << log;
    EXPECT_TRUE(prompter.boxes.empty());
    // The pane shows what the log holds.
    wchar_t pane[4096] = {};
    GetDlgItemTextW(window.Handle(), Log, pane, 4096);
    EXPECT_EQ(std::wstring(pane), Wide(log));

    EXPECT_TRUE(SendMessageW(window.ToolBar(), TB_ISBUTTONENABLED, ToolbarUpdate, 0));
}

} // namespace
} // namespace bf::test
