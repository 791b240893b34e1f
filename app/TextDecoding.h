#pragma once

#include "tool/TextDecoding.h"

#include <QString>
#include <string_view>

namespace bf {

// Text from the operations as the window shows it (see DecodeTextToUtf16).
inline QString DecodeText(std::string_view bytes) {
    return QString::fromStdU16String(DecodeTextToUtf16(bytes));
}

} // namespace bf
