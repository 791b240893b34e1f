#pragma once

#include "core/ComName.h"
#include "core/IniFile.h"
#include "core/PortSettings.h"
#include "serial/PortMap.h"

#include <optional>
#include <string>

namespace bf::cli {

// What the command line was told about the port; empty or 0 where it was told nothing.
struct PortRequest {
    std::optional<std::string> port; // "COMn" or a device path (PortNaming.h); given even when empty
    bool autoPort = false;
    int baud = 0;
};

// The port and rate a command uses, as the operations take them, and the port map that leads
// port numbers to devices.
struct PortChoice {
    PortSettings settings;
    PortMap map;
    std::string label; // "COMn", the path given, or "AUTO"
};

// The environment variable that stands in for --port.
constexpr char kPortVariable[] = "BRENVALDOR_PORT";

// Options first, then the environment's port (`envPort`, null when the variable is not set), then
// the settings file, which is only read; only where none of them names a port (no file, no
// SerialPort, or AUTO in it) is the port searched for. A path that a COM number already leads to
// (symbolic links resolved) takes that number; any other path is reached as COM1. nullopt with
// `error` naming where the value came from for a port that is given but empty, neither COM1..COM28
// nor a path, or a wrong SerialPort in the settings file; and for a port given with --auto.
std::optional<PortChoice> ChoosePort(const PortRequest& request, const IniFile& settingsFile,
                                     const char* envPort, std::string& error);

// "COMn (DEVICE) at RATE bit/s", or "a port search at RATE bit/s": what a command would use.
std::string PortDescription(const PortChoice& choice);

// The device the port leads to; empty for a search that found none.
std::string DevicePathOf(const PortChoice& choice);
// The device that port `port` leads to on this system: through the choice's map on POSIX systems,
// "\\.\COMn" on Windows.
std::string DevicePathOf(const PortChoice& choice, int port);

// The label of the port used: for a search, "COMn" of the port found or "AUTO"; otherwise the
// choice's own label.
std::string PortLabel(const PortChoice& choice);

} // namespace bf::cli
