#include "core/SavePath.h"

#include "core/FileUtil.h"

#include <sys/stat.h>

namespace bf {

std::optional<std::string> ConfirmedSavePath(Host& host, const std::string& chosen,
                                             std::string_view extension) {
    std::string path = WithExpectedExtension(chosen, extension);
    struct stat st {};
    // lstat: a link that points nowhere is still a name in use.
    if (path != chosen && lstat(path.c_str(), &st) == 0 && !host.ConfirmOverwrite(path))
        return std::nullopt;
    return path;
}

} // namespace bf
