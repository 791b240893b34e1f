// Commands of the Windows window reach FlashTool from the menu, the toolbar and the system menu;
// the window shows the settings' marks and port pane, and ends as the close rules say.
#include "core/HelpDocument.h"
#include "tests/winapp/WindowFixture_win.h"
#include "tool/CommandIds.h"
#include "winapp/ResourceIds.h"

#include <commctrl.h>

namespace bf::test {
namespace {

using namespace cmd_id;

using CommandTest = WindowTest;

std::wstring PortPane(HWND bar) {
    wchar_t text[64] = {};
    SendMessageW(bar, SB_GETTEXTW, 2, reinterpret_cast<LPARAM>(text));
    return text;
}

void Command(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

TEST_F(CommandTest, WithoutSettingsFileTheWindowStartsAtAutoAnd38400AndNormal) {
    Window();
    for (int id : {PortAuto, Baud38400, PriorityNormal})
        EXPECT_TRUE(Checked(id)) << id;
    for (int id : {PortCom1, PortCom2, PortCom3, PortCom4, PortCom5, PortCom6, Baud9600, Baud19200, Baud57600,
                   PriorityHigh})
        EXPECT_FALSE(Checked(id)) << id;
    EXPECT_EQ(PortPane(Window().StatusBar()), L"\tAUTO:38400");
}

TEST_F(CommandTest, SettingsFileChoicesShowAsMarksAndInThePortPane) {
    WriteSettings("[Setup]\r\nSerialPort=3\r\nSerialBaudRate=19200\r\n");
    Window();
    EXPECT_TRUE(Checked(PortCom3));
    EXPECT_TRUE(Checked(Baud19200));
    EXPECT_FALSE(Checked(PortAuto));
    EXPECT_FALSE(Checked(Baud38400));
    EXPECT_EQ(PortPane(Window().StatusBar()), L"\tCOM3:19200");
}

TEST_F(CommandTest, MenuCommandsMoveTheMarksAndThePane) {
    Command(Dialog(), PortCom6);
    Command(Dialog(), Baud57600);
    EXPECT_TRUE(Checked(PortCom6));
    EXPECT_FALSE(Checked(PortAuto));
    EXPECT_TRUE(Checked(Baud57600));
    EXPECT_FALSE(Checked(Baud38400));
    EXPECT_EQ(PortPane(Window().StatusBar()), L"\tCOM6:57600");

    Command(Dialog(), PriorityHigh);
    EXPECT_FALSE(Window().PumpFlag());
    EXPECT_TRUE(Checked(PriorityHigh));
    EXPECT_FALSE(Checked(PriorityNormal));
    Command(Dialog(), PriorityNormal);
    EXPECT_TRUE(Window().PumpFlag());
    EXPECT_TRUE(Checked(PriorityNormal));
}

TEST_F(CommandTest, MenuAndToolbarIdsRunTheirOperations) {
    for (const auto& [id, operation] : kOperationCommands) {
        m_operations.ran.clear();
        Command(Dialog(), id);
        EXPECT_EQ(m_operations.ran, std::vector<std::string>{operation}) << id;
    }
}

TEST_F(CommandTest, ToolbarButtonClickReachesTheCommandTable) {
    // A toolbar button sends its id with the bar as the control.
    SendMessageW(Dialog(), WM_COMMAND, MAKEWPARAM(ToolbarUpdate, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Window().ToolBar()));
    EXPECT_EQ(m_operations.ran, std::vector<std::string>{"UpdateProgram"});
}

TEST_F(CommandTest, CommandsWithoutHandlerAndEnterAndEscapeDoNothing) {
    for (int id : {FileClose, FileAbort, ToolbarParam, IDOK, IDCANCEL})
        Command(Dialog(), id);
    EXPECT_TRUE(m_operations.ran.empty());
    EXPECT_TRUE(m_prompter.boxes.empty());
    EXPECT_FALSE(Window().Ended());
    EXPECT_TRUE(IsWindow(Dialog()));
}

TEST_F(CommandTest, ControlNotificationsAreNoCommands) {
    // An edit control's notification carries its id and a code above 1.
    m_operations.during = [](Host&, Session*) { FAIL() << "no operation may run"; };
    SendMessageW(Dialog(), WM_COMMAND, MAKEWPARAM(FileUpdate, EN_CHANGE),
                 reinterpret_cast<LPARAM>(Control(Log)));
    EXPECT_TRUE(m_operations.ran.empty());
}

TEST_F(CommandTest, AnOperationCommandDuringAnotherIsIgnored) {
    m_operations.during = [this](Host&, Session*) {
        if (m_operations.ran.size() == 1)
            Command(Dialog(), FileReset);
    };
    Command(Dialog(), FileUpdate);
    EXPECT_EQ(m_operations.ran, std::vector<std::string>{"UpdateProgram"});
}

TEST_F(CommandTest, CloseBoxWritesTheSettingsAndEndsWithCancel) {
    Command(Dialog(), PortCom2);
    Command(Dialog(), Baud57600);
    SendMessageW(Dialog(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Window().Ended(), DialogEnd::Cancel);
    EXPECT_EQ(ReadSettings(), "[Setup]\nSerialPort=2\nSerialPortAuto=0\nSerialBaudRate=57600\n");
}

TEST_F(CommandTest, FileExitEndsWithOk) {
    Command(Dialog(), FileExit);
    EXPECT_EQ(Window().Ended(), DialogEnd::Ok);
    EXPECT_NE(ReadSettings().find("SerialPortAuto=1"), std::string::npos);
}

TEST_F(CommandTest, CloseDuringAnOperationEndsTheWindowWhenItReturns) {
    m_operations.during = [this](Host& host, Session*) {
        SendMessageW(Dialog(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(host.CloseRequested());
        EXPECT_FALSE(Window().Ended());
    };
    Command(Dialog(), ParamBackup);
    EXPECT_EQ(Window().Ended(), DialogEnd::Cancel);
}

TEST_F(CommandTest, AboutFromTheHelpMenuAndTheSystemMenu) {
    Command(Dialog(), About);
    SendMessageW(Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_EQ(m_prompter.aboutRuns, 2);
    // Other system commands keep their default processing.
    SendMessageW(Dialog(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(m_prompter.aboutRuns, 2);
    EXPECT_TRUE(IsIconic(Dialog()));
}

TEST_F(CommandTest, DevMgmtRunsTheDeviceManagerThroughTheShell) {
    Command(Dialog(), DevMgmt);
    ASSERT_EQ(m_prompter.shellCalls.size(), 1u);
    EXPECT_EQ(m_prompter.shellCalls[0].owner, nullptr);
    EXPECT_EQ(m_prompter.shellCalls[0].verb, L"");
    EXPECT_EQ(m_prompter.shellCalls[0].file, L"devmgmt.msc");
}

TEST_F(CommandTest, HelpOpensTheSystemLanguagesDocumentFromTheCurrentFolder) {
    const std::string name = help::DocumentForLanguage(GetSystemDefaultLangID());
    std::ofstream(m_dir / name) << "%PDF";
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    SetCurrentDirectoryW(m_dir.path().wstring().c_str());
    Command(Dialog(), HelpDocument);
    SetCurrentDirectoryW(old);
    ASSERT_EQ(m_prompter.shellCalls.size(), 1u);
    EXPECT_EQ(m_prompter.shellCalls[0].owner, Dialog());
    EXPECT_EQ(m_prompter.shellCalls[0].verb, L"open");
    const std::wstring file = m_prompter.shellCalls[0].file;
    EXPECT_EQ(file.substr(file.size() - name.size()), std::wstring(name.begin(), name.end()));
}

TEST_F(CommandTest, HelpWithoutADocumentOpensNothing) {
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    SetCurrentDirectoryW(m_dir.path().wstring().c_str());
    Command(Dialog(), HelpDocument);
    SetCurrentDirectoryW(old);
    EXPECT_TRUE(m_prompter.shellCalls.empty());
    EXPECT_TRUE(m_prompter.boxes.empty());
}

} // namespace
} // namespace bf::test
