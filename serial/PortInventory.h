#pragma once

#include "serial/PortMap.h"

#include <string>
#include <vector>

namespace bf {

// What the "Serial ports" window lists for one port number: where the port map points, whether
// the device is there, what it is, and whether this user may open it (and how to fix it if not).
struct PortEntry {
    int port = 0;
    std::string path; // mapped device path
    bool exists = false;
    std::string device;         // the path with symbolic links resolved
    std::string usbDescription; // "manufacturer product (vendor:product)" from sysfs, when a USB device
    std::vector<std::string> byIdNames; // /dev/serial/by-id names that point at the device
    bool accessible = false;            // read and write allowed for this process
    std::string group;                  // the device file's group
    std::string fix;                    // what to do when the device exists but may not be opened
};

// Where the inventory looks; tests point these at a folder of their own.
struct InventoryRoots {
    std::string sysClassTty = "/sys/class/tty";
    std::string serialById = "/dev/serial/by-id";
};

PortEntry DescribePort(int port, const std::string& path, const InventoryRoots& roots = {});
// COM1 to COM28 in order.
std::vector<PortEntry> TakePortInventory(const PortMap& map, const InventoryRoots& roots = {});
// The fix text for a device of `group` that this user may not open.
std::string PermissionFix(const std::string& group);

} // namespace bf
