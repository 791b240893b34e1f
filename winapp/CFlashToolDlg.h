#pragma once

#include "core/Clock.h"
#include "core/Host.h"
#include "core/ProgressEstimate.h"
#include "tool/FlashTool.h"
#include "tool/FrontEnd.h"

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>

namespace bf::win {

class Prompter;

// The main window on the Windows API: dialog 102 with menu 131, the toolbar, the status bar, the
// log pane and the progress display. The state and the command rules are FlashTool's; the window
// draws them and passes every command id on. Every command runs to its end inside its handler on
// the one thread; operations keep the window alive through PumpMessages and WaitPumping.
class CFlashToolDlg final : public Host, private FrontEnd {
  public:
    CFlashToolDlg(Prompter& prompter, Operations& operations, Clock& clock, std::string settingsPath);
    ~CFlashToolDlg() override;
    CFlashToolDlg(const CFlashToolDlg&) = delete;
    CFlashToolDlg& operator=(const CFlashToolDlg&) = delete;

    // Creates the dialog from its template (shown only by Run). False when that fails.
    bool Create(HINSTANCE instance);
    // Shows the window and runs its message loop until the dialog ends.
    DialogEnd Run();

    HWND Handle() const { return m_hWnd; }
    HWND ToolBar() const { return m_wndToolBar; }
    HWND StatusBar() const { return m_wndStatusBar; }
    // How the dialog ended, once it has.
    std::optional<DialogEnd> Ended() const { return m_ended; }

    // See FlashTool::OnCommand.
    void OnCommand(int id) { m_tool.OnCommand(id); }
    const PortSettings& Settings() const { return m_tool.Settings(); }
    bool PumpFlag() const { return m_tool.PumpFlag(); }
    bool Busy() const { return m_tool.Busy(); }
    const std::string& LogText() const { return m_strLog; }

    // Host
    void AppendLog(std::string_view line) override;
    void ClearLog() override;
    void UpdateProgress(int percent, int reset) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void PumpMessages() override;
    void WaitPumping(std::uint32_t ms) override;
    void ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) override;
    std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>& filters) override;
    std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>& filters) override;
    bool ConfirmOverwrite(const std::string& path) override;
    void OpenInTextEditor(const std::string& path) override;
    void EnableToolbarButtons(bool open, bool update, bool param) override;
    void SetCounterText(std::string_view text) override;
    bool CloseRequested() const override { return m_tool.CloseRequested(); }
    void ClearCloseRequest() override { m_tool.ClearCloseRequest(); }

  private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Window construction, from WM_INITDIALOG.
    void OnInitDialog();
    void AddAboutToSystemMenu();
    void CreateStatusBar();
    void CreateToolBar();
    void LayOutBars();

    void OnPaint();
    void OnClose();
    void OnToolbarDropDown(const NMTOOLBARW& notification);
    bool PumpStep();
    std::optional<std::string> AskFileName(const std::vector<FileFilter>& filters, bool save);
    HWND Control(int id) const { return GetDlgItem(m_hWnd, id); }

    // FrontEnd
    void SetChecked(int id, bool checked) override;
    void SetPortPaneText(std::string_view text) override;
    void EndDialog(DialogEnd how) override;
    void ShowPortsWindow() override;
    void OpenHelpDocument() override;
    void ShowAbout() override;

    Prompter& m_prompter;
    Clock& m_clock;
    HINSTANCE m_instance = nullptr;
    HWND m_hWnd = nullptr;
    HWND m_wndToolBar = nullptr;
    HWND m_wndStatusBar = nullptr;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HIMAGELIST m_imageList = nullptr;
    HIMAGELIST m_hotImageList = nullptr;
    HIMAGELIST m_disabledImageList = nullptr;
    std::optional<DialogEnd> m_ended;

    FlashTool m_tool;
    std::string m_strLog;
    bool m_logRewritePending = false;
    ProgressEstimate m_progressEstimate;
};

} // namespace bf::win
