#pragma once

#include "serial/PortMap.h"

#include <optional>
#include <string>

namespace bf::cli {

// How a user names a port on this system (PortNaming_posix.cpp, PortNaming_win.cpp). On POSIX
// systems COM1 to COM28 lead to devices through the port map, and a device path is used as it is;
// Windows names its ports itself: COM1 to COM255, or the device form "\\.\COMn", and nothing else.

// The highest n of a "COMn" that the user may give.
int LastGivenPort();

// The port a device path given by the user leads to. POSIX: the COM number that already leads to
// the same device (symbolic links resolved), else COM1, which `map` then leads to the path.
// Windows: n of "\\.\COMn"; nullopt for any other path.
std::optional<int> PortOfPath(PortMap& map, const std::string& path);

// What to give instead of a wrong port, for the usage error.
extern const char kPortHint[];
// The --port option's help: what it takes.
extern const char kPortOptionHelp[];

} // namespace bf::cli
