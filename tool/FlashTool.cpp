#include "tool/FlashTool.h"

#include "core/IniFile.h"
#include "core/SetupSettings.h"
#include "link/Session.h"
#include "serial/CSerialException.h"
#include "serial/SystemPort.h"
#include "tool/CommandIds.h"
#include "tool/Operations.h"

#include <exception>
#include <set>

namespace bf {

namespace {
constexpr char kBoxOperationFailed[] = "The operation stopped because of an error:\n%1";
constexpr char kBoxReplaceQuestion[] = "%1 already exists.\nDo you want to replace it?";
constexpr char kUnknownError[] = "unknown error";
constexpr char kPlaceholder[] = "%1";

std::string WithPlaceholder(std::string text, std::string_view value) {
    return text.replace(text.find(kPlaceholder), std::string_view(kPlaceholder).size(), value);
}
} // namespace

std::string FlashTool::OverwriteQuestion(std::string_view path) {
    return WithPlaceholder(kBoxReplaceQuestion, path);
}

FlashTool::FlashTool(Host& host, FrontEnd& frontEnd, Operations& operations, Clock& clock,
                     std::string settingsPath, std::unique_ptr<Port> port)
    : m_host(host), m_frontEnd(frontEnd), m_operations(operations), m_clock(clock),
      m_settingsPath(std::move(settingsPath)), m_serialPort(std::move(port)),
      m_image(std::make_unique<FirmwareImage>()) {}

// Destroying the port closes it if an interrupted operation left it open.
FlashTool::~FlashTool() = default;

void FlashTool::Start() {
    ReadSettings();
    OnPriorityNormal();
}

void FlashTool::ReadSettings() {
    // Until this user's file exists, an earlier installation's settings are the starting values.
    const IniFile ini = IniFile::Load(settings::ReadPath(m_settingsPath));
    const int port = settings::ReadPortChoice(ini);
    if (port == 0)
        OnPortAuto();
    else
        OnPortCom(port);
    OnBaud(settings::ReadBaudRate(ini));
    m_portMap = PortMapFromSettings(ini);
    if (!m_serialPort)
        m_serialPort = MakeSystemPort(m_portMap);
}

void FlashTool::SaveSettingsOnce() {
    if (m_bSettingsWritten)
        return;
    m_bSettingsWritten = true;
    // A port found by the search is not remembered.
    if (m_portSettings.m_bAutoPort)
        m_portSettings.m_nPort = 0;
    // Read afresh, so sections edited meanwhile by hand are kept. A write failure loses only this run's
    // choice.
    IniFile ini = IniFile::Load(m_settingsPath);
    settings::WriteSetup(ini, m_portSettings);
    ini.Save(m_settingsPath);
}

const std::map<int, FlashTool::Handler>& FlashTool::CommandTable() {
    using namespace cmd_id;
    static const std::map<int, Handler> table{
        {ToolbarUpdate, &FlashTool::OnUpdateProgram},
        {ToolbarOpen, &FlashTool::OnOpenFirmware},
        {FileReset, &FlashTool::OnReset},
        {FileUpdate, &FlashTool::OnUpdateProgram},
        {FileOpen, &FlashTool::OnOpenFirmware},
        {FileExit, &FlashTool::OnExit},
        {Baud9600, &FlashTool::OnBaud9600},
        {Baud19200, &FlashTool::OnBaud19200},
        {Baud38400, &FlashTool::OnBaud38400},
        {Baud57600, &FlashTool::OnBaud57600},
        {PriorityHigh, &FlashTool::OnPriorityHigh},
        {PriorityNormal, &FlashTool::OnPriorityNormal},
        {About, &FlashTool::OnAbout},
        {FileBackup, &FlashTool::OnBackupProgram},
        {FileSaveAs, &FlashTool::OnSaveAs},
        {ParamErase, &FlashTool::OnEraseParameterBlocks},
        {PortCom1, &FlashTool::OnPortCom1},
        {PortCom2, &FlashTool::OnPortCom2},
        {PortCom3, &FlashTool::OnPortCom3},
        {PortCom4, &FlashTool::OnPortCom4},
        {PortCom5, &FlashTool::OnPortCom5},
        {PortCom6, &FlashTool::OnPortCom6},
        {ParamBackup, &FlashTool::OnParameterBackup},
        {ParamUpdate, &FlashTool::OnParameterUpdate},
        {ParamEdit, &FlashTool::OnParameterEdit},
        {PopupParamBackup, &FlashTool::OnParameterBackup},
        {PopupParamUpdate, &FlashTool::OnParameterUpdate},
        {HelpDocument, &FlashTool::OnHelpDocument},
        {PortAuto, &FlashTool::OnPortAuto},
        {DevMgmt, &FlashTool::OnDevMgmt},
    };
    return table;
}

bool FlashTool::IsOperationCommand(int id) {
    using namespace cmd_id;
    static const std::set<int> operations{
        ToolbarOpen, FileOpen,    FileSaveAs, FileBackup, FileUpdate,       ToolbarUpdate,   FileReset,
        ParamBackup, ParamUpdate, ParamEdit,  ParamErase, PopupParamBackup, PopupParamUpdate};
    return operations.count(id) > 0;
}

void FlashTool::OnCommand(int id) {
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
        m_frontEnd.EndDialog(DialogEnd::Cancel);
}

void FlashTool::RunHandler(Handler handler) {
    // Nothing may leave a handler into the window's event loop.
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        RecoverFromFailure(e.what());
    } catch (...) {
        RecoverFromFailure(kUnknownError);
    }
}

void FlashTool::RecoverFromFailure(std::string_view what) {
    try {
        if (m_serialPort->IsOpen())
            m_serialPort->Close();
    } catch (const CSerialException&) {
        // The device is gone; the handle is released either way.
    }
    m_host.EnableToolbarButtons(true, true, true);
    m_host.UpdateProgress(0, 1);
    m_host.ShowMessageBox(WithPlaceholder(kBoxOperationFailed, what), "", BoxIcon::Error);
}

bool FlashTool::RequestClose() {
    m_bCloseRequested = true;
    SaveSettingsOnce();
    // A running operation stops at its next look at the flag or runs to its end; then the window ends.
    if (m_bBusy)
        m_bCloseWhenIdle = true;
    return !m_bBusy;
}

Session FlashTool::MakeSession() {
    return Session{m_host, m_clock, *m_serialPort, m_portSettings};
}

void FlashTool::OnOpenFirmware() {
    m_operations.OpenFirmware(m_host, *m_image, m_imageState);
}

void FlashTool::OnSaveAs() {
    m_operations.SaveFirmwareAs(m_host, *m_image);
}

void FlashTool::OnBackupProgram() {
    Session s = MakeSession();
    m_operations.BackupProgram(s);
}

void FlashTool::OnUpdateProgram() {
    Session s = MakeSession();
    m_operations.UpdateProgram(s, *m_image, m_imageState);
}

void FlashTool::OnReset() {
    Session s = MakeSession();
    m_operations.ResetController(s);
}

void FlashTool::OnParameterBackup() {
    Session s = MakeSession();
    m_operations.ParameterBackup(s);
}

void FlashTool::OnParameterUpdate() {
    Session s = MakeSession();
    m_operations.ParameterUpdate(s);
}

void FlashTool::OnParameterEdit() {
    m_operations.ParameterEdit(m_host);
}

void FlashTool::OnEraseParameterBlocks() {
    Session s = MakeSession();
    m_operations.EraseParameterBlocks(s);
}

void FlashTool::OnExit() {
    if (RequestClose())
        m_frontEnd.EndDialog(DialogEnd::Ok);
}

void FlashTool::OnPortAuto() {
    m_portSettings.m_nPort = 0;
    m_portSettings.m_bAutoPort = 1;
    RefreshPortDisplay();
}

void FlashTool::OnPortCom(int port) {
    m_portSettings.m_nPort = port;
    m_portSettings.m_bAutoPort = 0;
    RefreshPortDisplay();
}

void FlashTool::OnBaud(int rate) {
    m_portSettings.m_nBaudRate = rate;
    RefreshPortDisplay();
}

void FlashTool::RefreshPortDisplay() {
    using namespace cmd_id;
    const PortSettings& s = m_portSettings;
    m_frontEnd.SetChecked(Baud9600, s.m_nBaudRate == 9600);
    m_frontEnd.SetChecked(Baud19200, s.m_nBaudRate == 19200);
    m_frontEnd.SetChecked(Baud38400, s.m_nBaudRate == 38400);
    m_frontEnd.SetChecked(Baud57600, s.m_nBaudRate == 57600);
    m_frontEnd.SetChecked(PortAuto, s.m_nPort == 0);
    const int comIds[] = {PortCom1, PortCom2, PortCom3, PortCom4, PortCom5, PortCom6};
    for (int i = 0; i < 6; ++i)
        m_frontEnd.SetChecked(comIds[i], s.m_nPort == i + 1);
    m_frontEnd.SetPortPaneText(settings::PortPaneText(s));
}

void FlashTool::OnPriorityNormal() {
    m_bPumpMessages = true;
    m_frontEnd.SetChecked(cmd_id::PriorityNormal, true);
    m_frontEnd.SetChecked(cmd_id::PriorityHigh, false);
}

void FlashTool::OnPriorityHigh() {
    m_bPumpMessages = false;
    m_frontEnd.SetChecked(cmd_id::PriorityNormal, false);
    m_frontEnd.SetChecked(cmd_id::PriorityHigh, true);
}

} // namespace bf
