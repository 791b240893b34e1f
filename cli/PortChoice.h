#pragma once

#include "core/IniFile.h"
#include "core/PortSettings.h"
#include "serial/PortMap.h"

#include <optional>
#include <string>

namespace bf::cli {

// What the command line was told about the port; empty or 0 where it was told nothing.
struct PortRequest {
    std::string port; // "COMn" (n 1 to 28) or a device path (anything with a slash)
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

// Options first, then the environment's port (`envPort`, may be null), then the settings file,
// which is only read. A path that a COM number already leads to (symbolic links resolved) takes
// that number; any other path is reached as COM1. nullopt with `error` set for a port that is
// neither COM1..COM28 nor a path, or for a port given together with --auto.
std::optional<PortChoice> ChoosePort(const PortRequest& request, const IniFile& settingsFile,
                                     const char* envPort, std::string& error);

// "COMn".
std::string ComName(int port);

// The port map with the settings file's [Ports] entries over the defaults.
PortMap PortMapFromSettings(const IniFile& settingsFile);

// The label of the port used: for a search, "COMn" of the port found or "AUTO"; otherwise the
// choice's own label.
std::string PortLabel(const PortChoice& choice);

} // namespace bf::cli
