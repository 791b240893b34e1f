#include "PortHolder.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace bf {

namespace fs = std::filesystem;

namespace {

bool IsPidName(const std::string& name) {
    if (name.empty())
        return false;
    for (char c : name) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

bool HasDescriptorOn(const fs::path& fdFolder, const fs::path& device) {
    std::error_code ec;
    for (fs::directory_iterator it(fdFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (!linkError && target == device)
            return true;
    }
    return false;
}

std::string CommandName(const fs::path& processFolder) {
    std::ifstream in(processFolder / "comm");
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

std::optional<PortHolder> FindPortHolder(const std::string& devicePath, const std::string& procRoot) {
    std::error_code ec;
    const fs::path device = fs::canonical(devicePath, ec);
    if (ec)
        return std::nullopt;
    const std::string self = std::to_string(getpid());
    for (fs::directory_iterator it(procRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string pid = it->path().filename().string();
        if (!IsPidName(pid) || pid == self)
            continue;
        if (HasDescriptorOn(it->path() / "fd", device))
            return PortHolder{static_cast<pid_t>(std::stol(pid)), CommandName(it->path())};
    }
    return std::nullopt;
}

} // namespace bf
