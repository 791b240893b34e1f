#pragma once

#include "core/Clock.h"

#include <string>

namespace bf::cli {

// Waits until the device at `path` exists and opens for reading and writing (a production line
// plugs controllers in one after another), for at most `seconds`. False when it did not appear in
// time; Ctrl-C ends the wait with Interrupted.
bool WaitForDevice(Clock& clock, const std::string& path, double seconds);

// Whether the device at `path` opens for reading and writing right now; the system's own call
// (DeviceWait_posix.cpp, DeviceWait_win.cpp).
bool DeviceOpens(const std::string& path);

} // namespace bf::cli
