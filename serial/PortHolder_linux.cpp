#include "serial/PortHolder_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bf {

namespace {

// What makes two open files the same device.
struct DeviceId {
    bool character = false;
    dev_t rdev = 0; // character devices
    dev_t dev = 0;  // other files
    ino_t ino = 0;
};

DeviceId IdOf(const struct stat& st) {
    return {S_ISCHR(st.st_mode), st.st_rdev, st.st_dev, st.st_ino};
}

bool Same(const struct stat& st, const DeviceId& id) {
    if (id.character)
        return S_ISCHR(st.st_mode) && st.st_rdev == id.rdev;
    return st.st_dev == id.dev && st.st_ino == id.ino;
}

bool IsPidName(const char* name) {
    if (*name == '\0')
        return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

// Whether the process folder `pid` under procRoot has a descriptor on the device.
bool HasDescriptorOn(int procRoot, const std::string& pid, const DeviceId& device) {
    const int fdFolder = openat(procRoot, (pid + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdFolder < 0)
        return false;
    DIR* folder = fdopendir(fdFolder);
    if (!folder) {
        close(fdFolder);
        return false;
    }
    bool found = false;
    while (const dirent* entry = readdir(folder)) {
        struct stat st {};
        if (entry->d_name[0] != '.' && fstatat(fdFolder, entry->d_name, &st, 0) == 0 && Same(st, device)) {
            found = true;
            break;
        }
    }
    closedir(folder);
    return found;
}

std::string CommandName(const std::string& procRoot, const std::string& pid) {
    std::ifstream in(procRoot + "/" + pid + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

std::optional<PortHolder> FindHolder(const DeviceId& device, const std::string& procRoot) {
    DIR* proc = opendir(procRoot.c_str());
    if (!proc)
        return std::nullopt;
    const std::string self = std::to_string(getpid());
    std::optional<PortHolder> holder;
    while (const dirent* entry = readdir(proc)) {
        const std::string pid = entry->d_name;
        if (IsPidName(entry->d_name) && pid != self && HasDescriptorOn(dirfd(proc), pid, device)) {
            holder = PortHolder{std::stol(pid), CommandName(procRoot, pid)};
            break;
        }
    }
    closedir(proc);
    return holder;
}

bool StillHolds(const PortHolder& holder, const DeviceId& device, const std::string& procRoot) {
    const int proc = open(procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return false;
    const bool holds = HasDescriptorOn(proc, std::to_string(holder.pid), device);
    close(proc);
    return holds;
}

} // namespace

std::optional<PortHolder> FindPortHolder(const std::string& devicePath, const std::string& procRoot) {
    struct stat st {};
    if (stat(devicePath.c_str(), &st) != 0)
        return std::nullopt;
    return FindHolder(IdOf(st), procRoot);
}

std::optional<PortHolder> FindPortHolder(const std::string& devicePath) {
    return FindPortHolder(devicePath, "/proc");
}

std::optional<PortHolder> FindLastingHolder(int fd, const std::function<void()>& pause,
                                            const std::string& procRoot) {
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return std::nullopt;
    DeviceId device = IdOf(st);
    unsigned int terminal = 0;
    if (device.character && ioctl(fd, TIOCGDEV, &terminal) == 0)
        device.rdev = static_cast<dev_t>(terminal); // the terminal behind /dev/tty and the like
    const auto holder = FindHolder(device, procRoot);
    if (!holder)
        return std::nullopt;
    pause();
    return StillHolds(*holder, device, procRoot) ? holder : std::nullopt;
}

} // namespace bf
