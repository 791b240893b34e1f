#include "serial/PortInventory.h"

#include "serial/CSerialPort.h"

#include <windows.h>

#include <initguid.h> // before devguid.h: the class GUIDs are defined here, not only declared

#include <devguid.h>
#include <setupapi.h>

#include <map>

namespace bf {

namespace {

// The device a COM name leads to ("\Device\Serial0"); empty when the system has no such port.
std::string DosDeviceTarget(const std::string& name) {
    char target[1024] = {};
    if (QueryDosDeviceA(name.c_str(), target, sizeof target) == 0)
        return {};
    return target; // the first of the names, which end in a double NUL
}

std::string RegistryString(HKEY key, const char* value) {
    char text[256] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return text;
}

// The friendly names of the ports of the Ports device class that are present, by port name
// ("COM3" -> "USB Serial Port (COM3)").
std::map<std::string, std::string> FriendlyNames() {
    std::map<std::string, std::string> names;
    const HDEVINFO devices = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        const std::string port = RegistryString(key, "PortName");
        RegCloseKey(key);
        char friendly[256] = {};
        if (!port.empty() && SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                               reinterpret_cast<BYTE*>(friendly),
                                                               sizeof friendly - 1, nullptr))
            names[port] = friendly;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}

} // namespace

// Windows names its ports itself: the map and the roots, which are POSIX matters, are not used.
PortEntry DescribePort(int port, const std::string&, const InventoryRoots&) {
    PortEntry entry;
    entry.port = port;
    entry.path = CSerialPort().DevicePath(port);
    entry.device = DosDeviceTarget("COM" + std::to_string(port));
    entry.exists = !entry.device.empty();
    // Any user may open a port; what can refuse one is another program holding it, which only
    // an open would tell, and an open has effects on the line.
    entry.accessible = entry.exists;
    return entry;
}

std::vector<PortEntry> TakePortInventory(const PortMap&, const InventoryRoots& roots) {
    const std::map<std::string, std::string> friendly = FriendlyNames();
    std::vector<PortEntry> entries;
    for (int port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        PortEntry entry = DescribePort(port, {}, roots);
        if (const auto name = friendly.find("COM" + std::to_string(port));
            entry.exists && name != friendly.end())
            entry.usbDescription = name->second;
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace bf
