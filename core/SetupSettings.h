#pragma once

#include "core/IniFile.h"
#include "core/PortSettings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bf {

// The rules of the settings file "BrenvaldorFlash.ini": section [Setup] with the port and baud
// rate choices, and section [Ports] with single COMn=/dev/... entries of the port map.
namespace settings {

constexpr char kFileName[] = "BrenvaldorFlash.ini";
constexpr char kSetupSection[] = "Setup";
constexpr char kPortsSection[] = "Ports";
constexpr char kKeySerialPort[] = "SerialPort";
constexpr char kKeySerialPortAuto[] = "SerialPortAuto";
constexpr char kKeySerialBaudRate[] = "SerialBaudRate";
constexpr int kDefaultBaudRate = 38400;

// The settings file in the user's settings folder (SettingsFolder, core/System.h): on Linux
// $XDG_CONFIG_HOME/BrenvaldorFlash.ini, else $HOME/.config/BrenvaldorFlash.ini; on Windows
// %APPDATA%\BrenvaldorFlash.ini. Settings are saved there.
std::string FilePath();
// Where the settings of the file at `path` are read from: `path` itself, or while nothing has that
// name, the settings file of the shared settings folder (SharedSettingsFolder, core/System.h: the
// Windows folder), so that an earlier installation's port and rate carry over. That file is only
// ever read.
std::string ReadPath(const std::string& path = FilePath());

// The standard decimal conversion: leading blanks and a sign allowed, stops at the first
// non-digit, 0 without digits; values beyond 32 bits saturate instead of overflowing.
std::int32_t ParseDecimal(std::string_view text);

// 1 to 6 -> that COM port; anything else (including a missing key) -> 0, meaning AUTO.
int ReadPortChoice(const IniFile& file);
// The port choice as a front end that must not search unasked reads it: a missing SerialPort, 0,
// or SerialPortAuto=1 with anything but 1 to 6 is the AUTO choice (a search); 1 to 6 is that
// port; anything else (empty, text, 7 and above, negative) is a wrong entry, kept as written.
struct PortSetting {
    enum class Kind { Search, Port, Invalid };
    Kind kind = Kind::Search;
    int port = 0;     // Kind::Port
    std::string text; // Kind::Invalid: the value of SerialPort
};
PortSetting ReadPortSetting(const IniFile& file);
// 9600, 19200, 57600 -> that rate; anything else -> 38400.
int ReadBaudRate(const IniFile& file);
// SerialPort, SerialPortAuto, SerialBaudRate in that order, each written with "%d".
void WriteSetup(IniFile& file, const PortSettings& s);
// The [Ports] entries COM1..COM28 with a non-empty path.
std::vector<std::pair<int, std::string>> ReadPortOverrides(const IniFile& file);

// Text of the port pane: "\tAUTO:%d" or "\tCOM%d:%d"; the tab asks for centring.
std::string PortPaneText(const PortSettings& s);

} // namespace settings
} // namespace bf
