#pragma once

#include "core/Clock.h"
#include "core/Host.h"
#include "core/PortSettings.h"
#include "core/ProgressEstimate.h"
#include "firmware/FirmwareImage.h"
#include "link/Session.h"
#include "serial/CSerialPort.h"
#include "serial/PortMap.h"

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

class Operations;
class Prompter;
class SerialPortsDialog;

// The main window: menu, toolbar, log pane, progress display and port pane. Every command runs
// to its end inside its handler on the one thread; operations keep the window alive through
// PumpMessages and WaitPumping. Widgets carry their control or command id in the property "id".
class CFlashToolDlg final : public QDialog, public Host {
  public:
    // Caption of message boxes that name none.
    static constexpr char kApplicationTitle[] = "BrenvaldorFlash";

    CFlashToolDlg(Prompter& prompter, Operations& operations, Clock& clock, std::string settingsPath);
    ~CFlashToolDlg() override;

    // Runs the command's handler; ids without a handler do nothing. While an operation runs, a
    // second operation command is ignored (they share the one serial port).
    void OnCommand(int id);

    const PortSettings& Settings() const { return m_portSettings; }
    bool PumpFlag() const { return m_bPumpMessages; }
    const std::string& LogText() const { return m_strLog; }
    bool Busy() const { return m_bBusy; }
    const CSerialPort& SerialPort() const { return m_serialPort; }

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
    bool CloseRequested() const override { return m_bCloseRequested; }
    void ClearCloseRequest() override { m_bCloseRequested = false; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // One .hex or .bin file dropped on the window opens as File > Open does with it chosen.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    using Handler = void (CFlashToolDlg::*)();
    static const std::map<int, Handler>& CommandTable();
    static bool IsOperationCommand(int id);

    // Window construction.
    void BuildMenu();
    QAction* AddItem(QMenu* menu, const char* text, int id, bool checkable = false);
    void BuildClientArea(QWidget* client);
    void BuildToolBar(QWidget* client);
    void BuildStatusBar(QWidget* client);
    void ReadSettings();

    void RunHandler(Handler handler);
    void RecoverFromFailure(const char* what);
    void SaveSettingsOnce();
    bool PumpStep();
    void SetChecked(int id, bool checked);
    std::optional<std::string> ChosenFile(const std::optional<QString>& chosen);
    void OpenDroppedFile(const QString& path);
    Session MakeSession() { return Session{*this, m_clock, m_serialPort, m_portSettings}; }

    // Commands.
    void OnOpenFirmware();
    void OnSaveAs();
    void OnBackupProgram();
    void OnUpdateProgram();
    void OnReset();
    void OnParameterBackup();
    void OnParameterUpdate();
    void OnParameterEdit();
    void OnEraseParameterBlocks();
    void OnExit();
    void OnPortAuto();
    void OnPortCom(int port);
    void OnPortCom1() { OnPortCom(1); }
    void OnPortCom2() { OnPortCom(2); }
    void OnPortCom3() { OnPortCom(3); }
    void OnPortCom4() { OnPortCom(4); }
    void OnPortCom5() { OnPortCom(5); }
    void OnPortCom6() { OnPortCom(6); }
    void OnBaud(int rate);
    void OnBaud9600() { OnBaud(9600); }
    void OnBaud19200() { OnBaud(19200); }
    void OnBaud38400() { OnBaud(38400); }
    void OnBaud57600() { OnBaud(57600); }
    void RefreshPortDisplay();
    void OnPriorityNormal();
    void OnPriorityHigh();
    void OnDevMgmt();
    void OnHelpDocument();
    void OnAbout();

    Prompter& m_prompter;
    Operations& m_operations;
    Clock& m_clock;
    std::string m_settingsPath;

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

    CSerialPort m_serialPort;
    PortMap m_portMap;
    PortSettings m_portSettings;
    bool m_bPumpMessages = true;
    ImageState m_imageState;
    std::unique_ptr<FirmwareImage> m_image;
    bool m_bCloseRequested = false;
    std::string m_strLog;
    bool m_logRewritePending = false;
    ProgressEstimate m_progressEstimate;

    bool m_bBusy = false;                 // an operation's handler is on the stack
    bool m_bCloseWhenIdle = false;        // a close came while it was
    bool m_bSettingsWritten = false;      // the settings are written once per run
    std::optional<QString> m_droppedFile; // answers the open dialog of a drop's File > Open
};

} // namespace bf
