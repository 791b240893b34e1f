#pragma once

// Files that are neither regular files nor folders, made inside a test's own folder: a command that
// wrongly replaces one harms nothing outside it. Never aim a write at /dev/null itself: as root a
// broken rename would put a plain file in its place for the whole machine.

#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace bf::test {

struct NonRegularFile {
    std::string path;
    std::filesystem::file_type type; // of the entry itself, links not followed

    bool Unchanged() const { return std::filesystem::symlink_status(path).type() == type; }
};

// A pipe, a socket, a symbolic link to the pipe and, where the system lets this user make one (as
// root), a character device like /dev/null; each named "<stem>-<kind><extension>".
inline std::vector<NonRegularFile>
MakeNonRegularFiles(const std::filesystem::path& dir, const std::string& stem, const std::string& extension) {
    namespace fs = std::filesystem;
    const auto name = [&](const char* kind) { return (dir / (stem + "-" + kind + extension)).string(); };
    std::vector<NonRegularFile> files;
    if (mkfifo(name("pipe").c_str(), 0666) == 0)
        files.push_back({name("pipe"), fs::file_type::fifo});
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    name("socket").copy(address.sun_path, sizeof address.sun_path - 1);
    if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        files.push_back({name("socket"), fs::file_type::socket});
    if (fd >= 0)
        close(fd);
    std::error_code ec;
    fs::create_symlink(name("pipe"), name("link"), ec);
    if (!ec)
        files.push_back({name("link"), fs::file_type::symlink});
    if (mknod(name("device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        files.push_back({name("device"), fs::file_type::character});
    return files;
}

} // namespace bf::test
