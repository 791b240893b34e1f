#include "cli/PortNaming.h"

#include "core/FileSystem.h"

namespace bf::cli {

namespace {
constexpr int kPathPort = 1; // where a path that no COM number leads to is reached
}

const char kPortHint[] = "give COM1 to COM28 or a device path such as /dev/ttyUSB0";
const char kPortOptionHelp[] = "COMn (1 to 28) or a device path, used as is";

int LastGivenPort() {
    return PortMap::kLastPort;
}

std::optional<int> PortOfPath(PortMap& map, const std::string& path) {
    const std::string device = CanonicalPath(path);
    for (int port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port)
        if (CanonicalPath(map.DevicePath(port)) == device)
            return port;
    map.Override(kPathPort, path);
    return kPathPort;
}

} // namespace bf::cli
