#pragma once

#include "serial/PortHolder.h"

#include <functional>
#include <optional>
#include <string>

namespace bf {

// Looks through procRoot/<pid>/fd for a descriptor on the device. A character device is known by
// its device number, so links to it (/dev/serial/by-id) meet the node itself; another file by its
// inode. Our own process is passed over; processes we may not look into (other users', unless we
// are root) are skipped. Cheap: one directory walk and one stat per descriptor.
std::optional<PortHolder> FindPortHolder(const std::string& devicePath, const std::string& procRoot);

// The same for the device that our descriptor `fd` is open on (an alias such as /dev/tty stands
// for the terminal it leads to). A holder counts only when it still has the device open after
// `pause`: programs that open a port in passing (udev probing it, a server flushing its line) do not.
std::optional<PortHolder> FindLastingHolder(int fd, const std::function<void()>& pause,
                                            const std::string& procRoot = "/proc");

} // namespace bf
