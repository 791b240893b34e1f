#include "serial/PortInventory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bf {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxUsbLevels = 8;
constexpr char kFixFormat[] =
    "Add your user to group \"%s\": sudo usermod -aG %s $USER, then log out and in again";

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// Walks up from the tty's device folder to the USB device that carries idVendor.
std::string UsbDescription(const std::string& deviceName, const InventoryRoots& roots) {
    std::error_code ec;
    fs::path dir = fs::canonical(fs::path(roots.sysClassTty) / deviceName / "device", ec);
    for (int level = 0; !ec && level < kMaxUsbLevels && dir.has_relative_path(); ++level) {
        if (fs::exists(dir / "idVendor", ec)) {
            std::string text = FirstLine(dir / "manufacturer");
            const std::string product = FirstLine(dir / "product");
            if (!product.empty())
                text += (text.empty() ? "" : " ") + product;
            text += (text.empty() ? "(" : " (") + FirstLine(dir / "idVendor") + ":" +
                    FirstLine(dir / "idProduct") + ")";
            return text;
        }
        dir = dir.parent_path();
    }
    return {};
}

std::vector<std::string> ByIdNames(const fs::path& device, const InventoryRoots& roots) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(roots.serialById, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkEc;
        if (fs::canonical(it->path(), linkEc) == device && !linkEc)
            names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string GroupName(gid_t gid) {
    if (const group* g = ::getgrgid(gid))
        return g->gr_name;
    return std::to_string(gid);
}

} // namespace

std::string PermissionFix(const std::string& group) {
    std::string text = kFixFormat;
    for (int i = 0; i < 2; ++i)
        text.replace(text.find("%s"), 2, group);
    return text;
}

PortEntry DescribePort(int port, const std::string& path, const InventoryRoots& roots) {
    PortEntry entry;
    entry.port = port;
    entry.path = path;
    std::error_code ec;
    const fs::path device = path.empty() ? fs::path() : fs::canonical(path, ec);
    struct stat info {};
    entry.exists = !path.empty() && !ec && ::stat(device.c_str(), &info) == 0;
    if (!entry.exists)
        return entry;
    entry.device = device.string();
    entry.usbDescription = UsbDescription(device.filename().string(), roots);
    entry.byIdNames = ByIdNames(device, roots);
    entry.accessible = ::access(device.c_str(), R_OK | W_OK) == 0;
    entry.group = GroupName(info.st_gid);
    if (!entry.accessible)
        entry.fix = PermissionFix(entry.group);
    return entry;
}

std::vector<PortEntry> TakePortInventory(const PortMap& map, const InventoryRoots& roots) {
    std::vector<PortEntry> entries;
    for (int port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port)
        entries.push_back(DescribePort(port, map.DevicePath(port), roots));
    return entries;
}

} // namespace bf
