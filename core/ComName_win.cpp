#include "core/ComName.h"

namespace bf {

bool IsDevicePath(std::string_view text) {
    return text.find_first_of("/\\") != std::string_view::npos;
}

} // namespace bf
