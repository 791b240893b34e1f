#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace bf {

// Another process that has a device open (ModemManager or brltty often grab USB adapters).
struct PortHolder {
    pid_t pid = 0;
    std::string name; // the process's command name
};

// Looks through procRoot/<pid>/fd for a descriptor on the device (symlinks resolved). Our own
// process is passed over; folders we may not read are skipped. Cheap: no more than a directory walk.
std::optional<PortHolder> FindPortHolder(const std::string& devicePath,
                                         const std::string& procRoot = "/proc");

} // namespace bf
