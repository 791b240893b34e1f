#include "core/ComName.h"

namespace bf {

bool IsDevicePath(std::string_view text) {
    return text.find('/') != std::string_view::npos;
}

} // namespace bf
