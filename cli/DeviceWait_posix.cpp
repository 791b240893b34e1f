#include "cli/DeviceWait.h"

#include <fcntl.h>
#include <unistd.h>

namespace bf::cli {

bool DeviceOpens(const std::string& path) {
    // Non-blocking, so that a device waiting for its carrier does not hold us.
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

} // namespace bf::cli
