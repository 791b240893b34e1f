#include "cli/DeviceWait.h"

#include "cli/Interrupt.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace bf::cli {

namespace {
constexpr std::uint32_t kLookEveryMs = 100;
}

bool DeviceOpens(const std::string& path) {
    // Non-blocking, so that a device waiting for its carrier does not hold us.
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

bool WaitForDevice(Clock& clock, const std::string& path, double seconds) {
    const auto limitMs = static_cast<std::uint32_t>(std::min(seconds, 4.0e6) * 1000.0);
    const std::uint32_t start = clock.nowMs();
    for (;;) {
        ThrowIfInterrupted();
        if (DeviceOpens(path))
            return true;
        const std::uint32_t elapsed = ElapsedMs(clock, start);
        if (elapsed >= limitMs)
            return false;
        clock.sleepMs(std::min(kLookEveryMs, limitMs - elapsed));
    }
}

} // namespace bf::cli
