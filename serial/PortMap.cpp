#include "serial/PortMap.h"

#include "core/SetupSettings.h"

#include <array>

namespace bf {

namespace {

// Each group of port numbers maps onto one device family: first port, count, device prefix.
struct DeviceFamily {
    int firstPort;
    int count;
    const char* prefix;
};
constexpr std::array<DeviceFamily, 4> kFamilies{{
    {1, 4, "/dev/ttyS"},
    {5, 8, "/dev/ttyUSB"},
    {13, 8, "/dev/ttyACM"},
    {21, 8, "/dev/rfcomm"},
}};

} // namespace

std::string PortMap::DevicePath(int port) const {
    if (auto entry = m_overrides.find(port); entry != m_overrides.end())
        return entry->second;
    for (const DeviceFamily& family : kFamilies) {
        if (port >= family.firstPort && port < family.firstPort + family.count)
            return family.prefix + std::to_string(port - family.firstPort);
    }
    return {};
}

void PortMap::Override(int port, std::string path) {
    m_overrides[port] = std::move(path);
}

PortMap PortMapFromSettings(const IniFile& settingsFile) {
    PortMap map;
    for (auto& [port, path] : settings::ReadPortOverrides(settingsFile))
        map.Override(port, std::move(path));
    return map;
}

} // namespace bf
