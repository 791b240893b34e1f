#include "core/FileSystem_linux.h"
#include "core/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace bf {

int LinkNoReplace(const std::string& from, const std::string& to) {
    if (link(from.c_str(), to.c_str()) != 0)
        return errno;
    unlink(from.c_str());
    return 0;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    // A file system without the exclusive rename says EINVAL; any other failure (a taken name, a
    // missing file) the link reports in the same way.
    return LinkNoReplace(from, to);
}

} // namespace bf
