#pragma once

#include "core/IniFile.h"

#include <map>
#include <string>

namespace bf {

// Turns a port number (COM1 to COM28) into a device path. Defaults: COM1-4 /dev/ttyS0-3,
// COM5-12 /dev/ttyUSB0-7, COM13-20 /dev/ttyACM0-7, COM21-28 /dev/rfcomm0-7; single entries can
// be overridden (section [Ports] of the settings file).
class PortMap {
  public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 28;

    std::string DevicePath(int port) const; // empty for a number outside 1..28 without override
    void Override(int port, std::string path);
    const std::map<int, std::string>& Overrides() const { return m_overrides; }

  private:
    std::map<int, std::string> m_overrides;
};

// The port map of the settings file: its [Ports] entries over the defaults. The window and the
// command line both lead port numbers to devices through it.
PortMap PortMapFromSettings(const IniFile& settingsFile);

} // namespace bf
