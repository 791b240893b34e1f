#pragma once

namespace bf::cmd_id {

// Menu, toolbar and pop-up menu commands of the main window.
constexpr int FileOpen = 57601;
constexpr int FileClose = 57602; // no handler
constexpr int FileSaveAs = 32792;
constexpr int FileBackup = 32790;
constexpr int FileUpdate = 57610;
constexpr int FileReset = 32773;
constexpr int ParamBackup = 32801;
constexpr int ParamUpdate = 32802;
constexpr int ParamEdit = 32803;
constexpr int ParamErase = 32796;
constexpr int FileAbort = 32794; // no handler
constexpr int FileExit = 32783;
constexpr int PortAuto = 32813;
constexpr int PortCom1 = 32775;
constexpr int PortCom2 = 32776;
constexpr int PortCom3 = 32797;
constexpr int PortCom4 = 32798;
constexpr int PortCom5 = 32799;
constexpr int PortCom6 = 32800;
constexpr int Baud9600 = 32777;
constexpr int Baud19200 = 32778;
constexpr int Baud38400 = 32779;
constexpr int Baud57600 = 32782;
constexpr int PriorityNormal = 32780;
constexpr int PriorityHigh = 32781;
constexpr int DevMgmt = 32814;
constexpr int HelpDocument = 32812;
constexpr int About = 32784;
constexpr int ToolbarOpen = 32787;
constexpr int ToolbarUpdate = 32788;
constexpr int ToolbarParam = 32804; // shows the PARAM menu; no handler of its own
constexpr int PopupParamBackup = 32809;
constexpr int PopupParamUpdate = 32810;

// Control ids of the main window.
constexpr int TimeLeft = 1003;
constexpr int Progress = 1002;
constexpr int Percent = 1004;
constexpr int Counter = 1006;
constexpr int Log = 1008;
constexpr int ToolBar = 59392;
constexpr int StatusBar = 59393;
constexpr int PaneFirst = 2001;
constexpr int PaneSecond = 2002;
constexpr int PanePort = 2003;

} // namespace bf::cmd_id
