#pragma once

#include <optional>
#include <string>

namespace bf {

// Another process that has a device open (ModemManager or brltty often grab USB adapters, and a
// terminal program keeps its line open without a lock).
struct PortHolder {
    long pid = 0;
    std::string name; // the process's command name
};

// The process that has the device at `devicePath` open, where the system tells it cheaply; nullopt
// when none does or the system cannot tell.
std::optional<PortHolder> FindPortHolder(const std::string& devicePath);

} // namespace bf
