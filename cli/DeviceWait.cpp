#include "cli/DeviceWait.h"

#include "cli/Interrupt.h"

#include <algorithm>

namespace bf::cli {

namespace {
constexpr std::uint32_t kLookEveryMs = 100;
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
