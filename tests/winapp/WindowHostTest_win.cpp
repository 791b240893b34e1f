// What the operations see of the Windows window: the log pane, the progress display, the counter,
// boxes, file dialogs, the editor, the toolbar switch and the pumping waits.
#include "tests/winapp/WindowFixture_win.h"
#include "tool/CommandIds.h"

#include <commctrl.h>

namespace bf::test {
namespace {

using namespace cmd_id;

using HostTest = WindowTest;

TEST_F(HostTest, LogPaneHoldsEveryLineWithItsLineEndAndTheLogKeepsTheBytes) {
    auto& w = Window();
    w.AppendLog("OPEN SERIAL PORT COM1:38400");
    w.AppendLog("SERIAL PORT CLOSED");
    EXPECT_EQ(Text(Log), L"OPEN SERIAL PORT COM1:38400\r\nSERIAL PORT CLOSED\r\n");
    EXPECT_EQ(w.LogText(), "OPEN SERIAL PORT COM1:38400\r\nSERIAL PORT CLOSED\r\n");
}

TEST_F(HostTest, EmptiedLogShowsOnlyTheNextLine) {
    auto& w = Window();
    w.AppendLog("OLD");
    w.ClearLog();
    EXPECT_EQ(w.LogText(), "");
    EXPECT_EQ(Text(Log), L"OLD\r\n"); // the pane shows the emptied text with the next line
    w.AppendLog("SERIAL PORT CLOSED");
    EXPECT_EQ(Text(Log), L"SERIAL PORT CLOSED\r\n");
}

TEST_F(HostTest, EightBitTextShowsAsUtf8OrWindows1252PerLine) {
    auto& w = Window();
    w.AppendLog("P1=\xC4NDRA");     // Windows-1252
    w.AppendLog("P2=\xC3\x84NDRA"); // UTF-8
    w.AppendLog("P3=\x80 \x9F");    // the euro sign and a letter from the table's high half
    EXPECT_EQ(Text(Log), L"P1=\u00C4NDRA\r\nP2=\u00C4NDRA\r\nP3=\u20AC \u0178\r\n");
    EXPECT_EQ(w.LogText(), "P1=\xC4NDRA\r\nP2=\xC3\x84NDRA\r\nP3=\x80 \x9F\r\n");
}

TEST_F(HostTest, LogScrollsToItsLastLine) {
    auto& w = Window();
    for (int i = 0; i < 100; ++i)
        w.AppendLog("LINE " + std::to_string(i));
    HWND edit = Control(Log);
    const LRESULT first = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_GT(first, 50);
}

TEST_F(HostTest, ProgressShowsPercentBarAndEstimate) {
    auto& w = Window();
    w.UpdateProgress(0, 1);
    m_clock.advance(30000);
    w.UpdateProgress(50, 0);
    EXPECT_EQ(Text(Percent), L"50%");
    EXPECT_EQ(Text(TimeLeft), L"Estimated time left: 0 min 31 sek");
    EXPECT_EQ(SendMessageW(Control(Progress), PBM_GETPOS, 0, 0), 50);
    w.UpdateProgress(0, 1);
    EXPECT_EQ(Text(Percent), L"");
    EXPECT_EQ(Text(TimeLeft), L"");
    EXPECT_EQ(SendMessageW(Control(Progress), PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(SendMessageW(Control(Progress), PBM_GETRANGE, FALSE, 0), 100);
}

TEST_F(HostTest, PortSearchDrivesTheBarDirectly) {
    auto& w = Window();
    w.SetProgressRange(0, 29);
    w.SetProgressPos(7);
    EXPECT_EQ(SendMessageW(Control(Progress), PBM_GETRANGE, FALSE, 0), 29);
    EXPECT_EQ(SendMessageW(Control(Progress), PBM_GETPOS, 0, 0), 7);
}

TEST_F(HostTest, CounterTextShowsAndClears) {
    auto& w = Window();
    w.SetCounterText("R 3");
    EXPECT_EQ(Text(Counter), L"R 3");
    w.SetCounterText("");
    EXPECT_EQ(Text(Counter), L"");
}

TEST_F(HostTest, MessageBoxesCarryTheirCaptionAndIcon) {
    auto& w = Window();
    w.ShowMessageBox("No answer from the controller", "", BoxIcon::Error);
    w.ShowMessageBox("Done", "Flash \xC4", BoxIcon::None);
    ASSERT_EQ(m_prompter.boxes.size(), 2u);
    EXPECT_EQ(m_prompter.boxes[0].text, L"No answer from the controller");
    EXPECT_EQ(m_prompter.boxes[0].caption, L"BrenvaldorFlash");
    EXPECT_EQ(m_prompter.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(m_prompter.boxes[1].caption, L"Flash \u00C4");
    EXPECT_EQ(m_prompter.boxes[1].type, static_cast<UINT>(MB_OK));
}

TEST_F(HostTest, FileDialogsGetTheFilterPairsAndTheChosenFolderBecomesCurrent) {
    auto& w = Window();
    const std::wstring folder = m_dir.path().wstring();
    m_prompter.fileAnswers.push_back(folder + L"\\fw \u00E4.hex");
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    const auto chosen =
        w.AskOpenFileName({{"Brenvaldor Firmware (*.hex;*.bin)", "*.hex;*.bin"}, {"All files (*.*)", "*.*"}});
    wchar_t now[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, now);
    SetCurrentDirectoryW(old);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, m_dir.path().string() + "\\fw \xC3\xA4.hex");
    EXPECT_EQ(_wcsicmp(now, folder.c_str()), 0);
    ASSERT_EQ(m_prompter.fileQuestions.size(), 1u);
    EXPECT_FALSE(m_prompter.fileQuestions[0].save);
    constexpr wchar_t kPairs[] = L"Brenvaldor Firmware (*.hex;*.bin)\0*.hex;*.bin\0All files (*.*)\0*.*\0";
    EXPECT_EQ(m_prompter.fileQuestions[0].filter, std::wstring(kPairs, std::size(kPairs) - 1));

    EXPECT_FALSE(w.AskSaveFileName({{"Parameter (*.txt)", "*.txt"}}));
    EXPECT_TRUE(m_prompter.fileQuestions[1].save);
}

TEST_F(HostTest, OverwriteQuestionIsAYesNoBoxThatDefaultsToNo) {
    auto& w = Window();
    m_prompter.boxAnswer = IDNO;
    EXPECT_FALSE(w.ConfirmOverwrite("C:\\out\\a.txt"));
    m_prompter.boxAnswer = IDYES;
    EXPECT_TRUE(w.ConfirmOverwrite("C:\\out\\a.txt"));
    ASSERT_EQ(m_prompter.boxes.size(), 2u);
    EXPECT_EQ(m_prompter.boxes[0].text, L"C:\\out\\a.txt already exists.\nDo you want to replace it?");
    EXPECT_EQ(m_prompter.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(m_prompter.boxes[0].type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2));
}

TEST_F(HostTest, EditorIsNotepadWithTheQuotedPath) {
    Window().OpenInTextEditor("C:\\my params\\p.txt");
    EXPECT_EQ(m_prompter.programs, std::vector<std::wstring>{L"notepad.exe \"C:\\my params\\p.txt\""});
}

TEST_F(HostTest, ToolbarButtonsSwitchOffAndOn) {
    auto& w = Window();
    HWND bar = w.ToolBar();
    w.EnableToolbarButtons(false, false, false);
    for (int id : {ToolbarOpen, ToolbarUpdate, ToolbarParam})
        EXPECT_FALSE(SendMessageW(bar, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0)) << id;
    w.EnableToolbarButtons(true, true, true);
    for (int id : {ToolbarOpen, ToolbarUpdate, ToolbarParam})
        EXPECT_TRUE(SendMessageW(bar, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0)) << id;
}

TEST_F(HostTest, PumpMessagesHandlesMessagesAtNormalAndNoneAtHigh) {
    auto& w = Window();
    w.OnCommand(PriorityHigh);
    PostMessageW(Dialog(), WM_COMMAND, PortCom4, 0);
    // Other messages of the new window may be ahead of it in the queue.
    constexpr int kSteps = 50;
    for (int i = 0; i < kSteps; ++i)
        w.PumpMessages();
    EXPECT_FALSE(Checked(PortCom4));
    w.OnCommand(PriorityNormal);
    for (int i = 0; i < kSteps && !Checked(PortCom4); ++i)
        w.PumpMessages();
    EXPECT_TRUE(Checked(PortCom4));
}

TEST_F(HostTest, WaitPumpingHandlesMessagesAtHighForItsWholeTime) {
    auto& w = Window();
    w.OnCommand(PriorityHigh);
    PostMessageW(Dialog(), WM_COMMAND, PortCom5, 0);
    const std::uint32_t start = m_clock.nowMs();
    w.WaitPumping(250);
    EXPECT_TRUE(Checked(PortCom5));
    EXPECT_GT(m_clock.nowMs() - start, 250u);
}

TEST_F(HostTest, PumpingLeavesAQuitMessageForTheLoopThatWaitsForIt) {
    auto& w = Window();
    PostQuitMessage(3);
    w.PumpMessages();
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(HostTest, FailureInAnOperationEndsSoundly) {
    m_operations.during = [](Host& host, Session*) {
        host.EnableToolbarButtons(false, false, false);
        throw std::runtime_error("disk gone");
    };
    Window().OnCommand(FileUpdate);
    ASSERT_EQ(m_prompter.boxes.size(), 1u);
    EXPECT_NE(m_prompter.boxes[0].text.find(L"disk gone"), std::wstring::npos);
    EXPECT_TRUE(SendMessageW(Window().ToolBar(), TB_ISBUTTONENABLED, ToolbarUpdate, 0));
}

} // namespace
} // namespace bf::test
