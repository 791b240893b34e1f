#include "cli/PortNaming.h"

#include "core/ComName.h"

#include <string_view>

namespace bf::cli {

namespace {
constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr int kLastComPort = 255;
} // namespace

const char kPortHint[] = "give COM1 to COM255, or \\\\.\\COMn";
const char kPortOptionHelp[] = "COMn (1 to 255) or \\\\.\\COMn";

int LastGivenPort() {
    return kLastComPort;
}

std::optional<int> PortOfPath(PortMap&, const std::string& path) {
    if (!std::string_view(path).starts_with(kDevicePrefix))
        return std::nullopt;
    const auto number = ComNumber(std::string_view(path).substr(kDevicePrefix.size()));
    if (!number || *number < PortMap::kFirstPort || *number > kLastComPort)
        return std::nullopt;
    return number;
}

} // namespace bf::cli
