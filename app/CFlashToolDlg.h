#pragma once

#include "core/Clock.h"
#include "core/Host.h"
#include "core/PortSettings.h"
#include "core/ProgressEstimate.h"
#include "tool/FlashTool.h"
#include "tool/FrontEnd.h"

#include <QDialog>
#include <QIcon>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace bf {

class Prompter;
class SerialPortsDialog;

// The main window on Qt Widgets: menu, toolbar, log pane, progress display and port pane. The
// state and the command rules are FlashTool's; the window draws them and passes every command id
// on. Every command runs to its end inside its handler on the one thread; operations keep the
// window alive through PumpMessages and WaitPumping. Widgets carry their control or command id in
// the property "id".
class CFlashToolDlg final : public QDialog, public Host, private FrontEnd {
  public:
    CFlashToolDlg(Prompter& prompter, Operations& operations, Clock& clock, std::string settingsPath);
    ~CFlashToolDlg() override;

    // See FlashTool::OnCommand.
    void OnCommand(int id) { m_tool.OnCommand(id); }

    const PortSettings& Settings() const { return m_tool.Settings(); }
    bool PumpFlag() const { return m_tool.PumpFlag(); }
    const std::string& LogText() const { return m_strLog; }
    bool Busy() const { return m_tool.Busy(); }
    const Port& SerialPort() const { return m_tool.SerialPort(); }

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

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // One .hex or .bin file dropped on the window opens as File > Open does with it chosen.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // Window construction.
    void BuildMenu();
    QAction* AddItem(QMenu* menu, const char* text, int id, bool checkable = false);
    void BuildClientArea(QWidget* client);
    void BuildToolBar(QWidget* client);
    void BuildStatusBar(QWidget* client);

    bool PumpStep();
    std::optional<std::string> ChosenFile(const std::optional<QString>& chosen);
    void OpenDroppedFile(const QString& path);

    // FrontEnd
    void SetChecked(int id, bool checked) override;
    void SetPortPaneText(std::string_view text) override;
    void EndDialog(DialogEnd how) override;
    void ShowPortsWindow() override;
    void OpenHelpDocument() override;
    void ShowAbout() override;

    Prompter& m_prompter;
    Clock& m_clock;

    QMenuBar* m_menuBar = nullptr;
    std::map<int, QAction*> m_menuItems;
    QToolBar* m_wndToolBar = nullptr;
    std::array<QToolButton*, 3> m_toolButtons{};
    QStatusBar* m_wndStatusBar = nullptr;
    QLabel* m_portPane = nullptr;
    QPlainTextEdit* m_editLog = nullptr;
    QLabel* m_staticCounter = nullptr;
    QLabel* m_staticPercent = nullptr;
    QLabel* m_staticTimeLeft = nullptr;
    QProgressBar* m_progress = nullptr;
    QIcon m_hIcon;
    std::unique_ptr<SerialPortsDialog> m_portsWindow; // not modal: operations go on while it is open

    FlashTool m_tool;
    std::string m_strLog;
    bool m_logRewritePending = false;
    ProgressEstimate m_progressEstimate;
    std::optional<QString> m_droppedFile; // answers the open dialog of a drop's File > Open
};

} // namespace bf
