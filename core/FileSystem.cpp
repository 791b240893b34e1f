#include "core/FileSystem.h"

namespace bf {

namespace {

// Where the last component of `path` starts: after its last separator, or after its drive prefix.
std::size_t BaseStart(std::string_view path) {
    const std::size_t drive = DrivePrefixLength(path);
    for (std::size_t end = path.size(); end > drive; --end)
        if (IsPathSeparator(path[end - 1]))
            return end;
    return drive;
}

} // namespace

std::string_view BaseName(std::string_view path) {
    return path.substr(BaseStart(path));
}

std::string_view FolderOf(std::string_view path) {
    return path.substr(0, BaseStart(path));
}

} // namespace bf
