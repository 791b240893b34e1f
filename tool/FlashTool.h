#pragma once

#include "core/Clock.h"
#include "core/Host.h"
#include "core/PortSettings.h"
#include "firmware/FirmwareImage.h"
#include "serial/Port.h"
#include "serial/PortMap.h"
#include "tool/FrontEnd.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace bf {

class Operations;
struct Session;

// What the main window holds and decides, whatever draws it: the one serial port with the port
// map and the port settings, the pump and closing flags, the firmware image, the command table
// with the rule that one operation runs at a time, and the settings file, read at start and
// written once at close. A window passes every command id to OnCommand, implements Host for the
// operations and FrontEnd for the rest, and draws.
class FlashTool {
  public:
    // The program's name: the caption of message boxes that name none.
    static constexpr char kApplicationTitle[] = "BrenvaldorFlash";
    // The question before a file under a name the save dialog did not confirm is replaced; the
    // path as the user knows it (UTF-8).
    static std::string OverwriteQuestion(std::string_view path);

    // `port` stands in for the system's serial port (tests); without it Start makes the system's.
    FlashTool(Host& host, FrontEnd& frontEnd, Operations& operations, Clock& clock, std::string settingsPath,
              std::unique_ptr<Port> port = nullptr);
    ~FlashTool();
    FlashTool(const FlashTool&) = delete;
    FlashTool& operator=(const FlashTool&) = delete;

    // Reads the settings file, shows its choices and starts at Priority Normal. Called once, when
    // the window's menu and port pane exist, before any other call.
    void Start();

    // Runs the command's handler; ids without one do nothing. While an operation runs, a second
    // operation command is ignored (they share the one serial port). A failure that escapes a
    // handler ends soundly: port closed, toolbar back on, progress reset, a box names the failure.
    void OnCommand(int id);
    // Commands that open the port or a file dialog, or change the firmware image.
    static bool IsOperationCommand(int id);

    // The window's close box: sets the closing flag and writes the settings. True when the window
    // may end now; while an operation runs it ends when that operation returns.
    bool RequestClose();

    const PortSettings& Settings() const { return m_portSettings; }
    bool PumpFlag() const { return m_bPumpMessages; }
    bool Busy() const { return m_bBusy; }
    const Port& SerialPort() const { return *m_serialPort; }
    const PortMap& GetPortMap() const { return m_portMap; }
    bool CloseRequested() const { return m_bCloseRequested; }
    void ClearCloseRequest() { m_bCloseRequested = false; }

  private:
    using Handler = void (FlashTool::*)();
    static const std::map<int, Handler>& CommandTable();

    void RunHandler(Handler handler);
    void RecoverFromFailure(std::string_view what);
    void ReadSettings();
    void SaveSettingsOnce();
    Session MakeSession();

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
    void OnDevMgmt() { m_frontEnd.ShowPortsWindow(); }
    void OnHelpDocument() { m_frontEnd.OpenHelpDocument(); }
    void OnAbout() { m_frontEnd.ShowAbout(); }

    Host& m_host;
    FrontEnd& m_frontEnd;
    Operations& m_operations;
    Clock& m_clock;
    std::string m_settingsPath;

    std::unique_ptr<Port> m_serialPort;
    PortMap m_portMap;
    PortSettings m_portSettings;
    bool m_bPumpMessages = true;
    ImageState m_imageState;
    std::unique_ptr<FirmwareImage> m_image; // 1 MiB: on the heap
    bool m_bCloseRequested = false;

    bool m_bBusy = false;            // an operation's handler is on the stack
    bool m_bCloseWhenIdle = false;   // a close came while it was
    bool m_bSettingsWritten = false; // the settings are written once per run
};

} // namespace bf
