#include "serial/PortHolder.h"

namespace bf {

// Windows does not tell cheaply which process has a COM port open; the busy code (5) is all that
// the port search reports.
std::optional<PortHolder> FindPortHolder(const std::string& /*devicePath*/) {
    return std::nullopt;
}

} // namespace bf
