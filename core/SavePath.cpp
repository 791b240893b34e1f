#include "core/SavePath.h"

#include "core/FileSystem.h"
#include "core/FileUtil.h"

namespace bf {

std::optional<std::string> ConfirmedSavePath(Host& host, const std::string& chosen,
                                             std::string_view extension) {
    std::string path = WithExpectedExtension(chosen, extension);
    // A link that points nowhere is still a name in use.
    if (path != chosen && NameInUse(path) && !host.ConfirmOverwrite(path))
        return std::nullopt;
    return path;
}

} // namespace bf
