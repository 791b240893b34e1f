// The command table of the main window and the handlers behind it.
#include "app/CFlashToolDlg.h"

#include "app/CommandIds.h"
#include "app/Operations.h"
#include "app/Prompter.h"
#include "app/SerialPortsDialog.h"
#include "core/HelpDocument.h"
#include "core/SetupSettings.h"
#include "serial/CSerialException.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <exception>
#include <set>

#ifndef BF_HELP_DIR
#define BF_HELP_DIR "/usr/local/share/brenvaldorflash"
#endif

namespace bf {

namespace {
constexpr char kBoxOperationFailed[] = "The operation stopped because of an error:\n%1";
constexpr char kUnknownError[] = "unknown error";
constexpr char kHelpFolder[] = BF_HELP_DIR;
constexpr char kRelativeHelpFolder[] = "/../share/brenvaldorflash";
} // namespace

const std::map<int, CFlashToolDlg::Handler>& CFlashToolDlg::CommandTable() {
    using namespace cmd_id;
    static const std::map<int, Handler> table{
        {ToolbarUpdate, &CFlashToolDlg::OnUpdateProgram},
        {ToolbarOpen, &CFlashToolDlg::OnOpenFirmware},
        {FileReset, &CFlashToolDlg::OnReset},
        {FileUpdate, &CFlashToolDlg::OnUpdateProgram},
        {FileOpen, &CFlashToolDlg::OnOpenFirmware},
        {FileExit, &CFlashToolDlg::OnExit},
        {Baud9600, &CFlashToolDlg::OnBaud9600},
        {Baud19200, &CFlashToolDlg::OnBaud19200},
        {Baud38400, &CFlashToolDlg::OnBaud38400},
        {Baud57600, &CFlashToolDlg::OnBaud57600},
        {PriorityHigh, &CFlashToolDlg::OnPriorityHigh},
        {PriorityNormal, &CFlashToolDlg::OnPriorityNormal},
        {About, &CFlashToolDlg::OnAbout},
        {FileBackup, &CFlashToolDlg::OnBackupProgram},
        {FileSaveAs, &CFlashToolDlg::OnSaveAs},
        {ParamErase, &CFlashToolDlg::OnEraseParameterBlocks},
        {PortCom1, &CFlashToolDlg::OnPortCom1},
        {PortCom2, &CFlashToolDlg::OnPortCom2},
        {PortCom3, &CFlashToolDlg::OnPortCom3},
        {PortCom4, &CFlashToolDlg::OnPortCom4},
        {PortCom5, &CFlashToolDlg::OnPortCom5},
        {PortCom6, &CFlashToolDlg::OnPortCom6},
        {ParamBackup, &CFlashToolDlg::OnParameterBackup},
        {ParamUpdate, &CFlashToolDlg::OnParameterUpdate},
        {ParamEdit, &CFlashToolDlg::OnParameterEdit},
        {PopupParamBackup, &CFlashToolDlg::OnParameterBackup},
        {PopupParamUpdate, &CFlashToolDlg::OnParameterUpdate},
        {HelpDocument, &CFlashToolDlg::OnHelpDocument},
        {PortAuto, &CFlashToolDlg::OnPortAuto},
        {DevMgmt, &CFlashToolDlg::OnDevMgmt},
    };
    return table;
}

// Commands that open the port or a file dialog, or change the firmware image.
bool CFlashToolDlg::IsOperationCommand(int id) {
    using namespace cmd_id;
    static const std::set<int> operations{
        ToolbarOpen, FileOpen,    FileSaveAs, FileBackup, FileUpdate,       ToolbarUpdate,   FileReset,
        ParamBackup, ParamUpdate, ParamEdit,  ParamErase, PopupParamBackup, PopupParamUpdate};
    return operations.count(id) > 0;
}

void CFlashToolDlg::OnCommand(int id) {
    const auto it = CommandTable().find(id);
    if (it == CommandTable().end())
        return;
    if (!IsOperationCommand(id)) {
        RunHandler(it->second);
        return;
    }
    if (m_bBusy)
        return;
    m_bBusy = true;
    RunHandler(it->second);
    m_bBusy = false;
    if (m_bCloseWhenIdle)
        done(QDialog::Rejected);
}

void CFlashToolDlg::RunHandler(Handler handler) {
    // Nothing may leave a handler through the event loop.
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        RecoverFromFailure(e.what());
    } catch (...) {
        RecoverFromFailure(kUnknownError);
    }
}

void CFlashToolDlg::RecoverFromFailure(const char* what) {
    try {
        if (m_serialPort.IsOpen())
            m_serialPort.Close();
    } catch (const CSerialException&) {
        // The device is gone; the handle is released either way.
    }
    EnableToolbarButtons(true, true, true);
    UpdateProgress(0, 1);
    m_prompter.ShowMessage(this, QString::fromLatin1(kBoxOperationFailed).arg(QString::fromUtf8(what)),
                           QString::fromLatin1(kApplicationTitle), BoxIcon::Error);
}

void CFlashToolDlg::OnOpenFirmware() {
    m_operations.OpenFirmware(*this, *m_image, m_imageState);
}
void CFlashToolDlg::OpenDroppedFile(const QString& path) {
    // File > Open itself, with the dropped file as the open dialog's answer; the busy shield
    // applies as to the menu command.
    m_droppedFile = path;
    OnCommand(cmd_id::FileOpen);
    m_droppedFile.reset();
}

void CFlashToolDlg::OnSaveAs() {
    m_operations.SaveFirmwareAs(*this, *m_image);
}

void CFlashToolDlg::OnBackupProgram() {
    Session s = MakeSession();
    m_operations.BackupProgram(s);
}

void CFlashToolDlg::OnUpdateProgram() {
    Session s = MakeSession();
    m_operations.UpdateProgram(s, *m_image, m_imageState);
}

void CFlashToolDlg::OnReset() {
    Session s = MakeSession();
    m_operations.ResetController(s);
}

void CFlashToolDlg::OnParameterBackup() {
    Session s = MakeSession();
    m_operations.ParameterBackup(s);
}

void CFlashToolDlg::OnParameterUpdate() {
    Session s = MakeSession();
    m_operations.ParameterUpdate(s);
}

void CFlashToolDlg::OnParameterEdit() {
    m_operations.ParameterEdit(*this);
}

void CFlashToolDlg::OnEraseParameterBlocks() {
    Session s = MakeSession();
    m_operations.EraseParameterBlocks(s);
}

void CFlashToolDlg::OnExit() {
    m_bCloseRequested = true;
    SaveSettingsOnce();
    if (m_bBusy)
        m_bCloseWhenIdle = true;
    else
        done(QDialog::Accepted);
}

void CFlashToolDlg::OnPortAuto() {
    m_portSettings.m_nPort = 0;
    m_portSettings.m_bAutoPort = 1;
    RefreshPortDisplay();
}

void CFlashToolDlg::OnPortCom(int port) {
    m_portSettings.m_nPort = port;
    m_portSettings.m_bAutoPort = 0;
    RefreshPortDisplay();
}

void CFlashToolDlg::OnBaud(int rate) {
    m_portSettings.m_nBaudRate = rate;
    RefreshPortDisplay();
}

void CFlashToolDlg::SetChecked(int id, bool checked) {
    m_menuItems.at(id)->setChecked(checked);
}

void CFlashToolDlg::RefreshPortDisplay() {
    using namespace cmd_id;
    const PortSettings& s = m_portSettings;
    SetChecked(Baud9600, s.m_nBaudRate == 9600);
    SetChecked(Baud19200, s.m_nBaudRate == 19200);
    SetChecked(Baud38400, s.m_nBaudRate == 38400);
    SetChecked(Baud57600, s.m_nBaudRate == 57600);
    SetChecked(PortAuto, s.m_nPort == 0);
    const int comIds[] = {PortCom1, PortCom2, PortCom3, PortCom4, PortCom5, PortCom6};
    for (int i = 0; i < 6; ++i)
        SetChecked(comIds[i], s.m_nPort == i + 1);
    // The leading tab asks for a centred text; the pane centres it.
    m_portPane->setText(QString::fromStdString(settings::PortPaneText(s)).mid(1));
    m_portPane->repaint();
}

void CFlashToolDlg::OnPriorityNormal() {
    m_bPumpMessages = true;
    SetChecked(cmd_id::PriorityNormal, true);
    SetChecked(cmd_id::PriorityHigh, false);
}

void CFlashToolDlg::OnPriorityHigh() {
    m_bPumpMessages = false;
    SetChecked(cmd_id::PriorityNormal, false);
    SetChecked(cmd_id::PriorityHigh, true);
}

void CFlashToolDlg::OnDevMgmt() {
    // One window, not modal, so a running operation goes on behind it with its waits unchanged.
    // Choosing it again brings it to the front with the ports as they are now.
    if (!m_portsWindow)
        m_portsWindow = std::make_unique<SerialPortsDialog>(m_portMap);
    else
        m_portsWindow->Refresh();
    m_portsWindow->show();
    m_portsWindow->raise();
    m_portsWindow->activateWindow();
}

void CFlashToolDlg::OnHelpDocument() {
    const char* name =
        help::DocumentForLanguage(help::LanguageIdForLocale(QLocale::system().name().toStdString()));
    // The current folder, the program's own folder, the data folder beside an installed program
    // (wherever its prefix was moved to), and the data folder of the configured prefix.
    const QString programFolder = QCoreApplication::applicationDirPath();
    const std::vector<std::string> folders{
        QDir::currentPath().toStdString(), programFolder.toStdString(),
        QDir(programFolder + kRelativeHelpFolder).absolutePath().toStdString(), kHelpFolder};
    const std::string path = help::FindDocument(
        name, folders, [](const std::string& p) { return QFileInfo(QString::fromStdString(p)).isFile(); });
    // A missing document shows nothing, as no viewer would open.
    if (!path.empty())
        m_prompter.OpenDocument(QString::fromStdString(path));
}

void CFlashToolDlg::OnAbout() {
    m_prompter.RunAbout();
}

} // namespace bf
