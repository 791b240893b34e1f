#pragma once

#include <QString>
#include <string_view>

namespace bf {

// Shows 8-bit text as the controller and Windows-made files mean it: bytes that are valid UTF-8
// as UTF-8, anything else as Windows-1252. Call it per line, so one odd line does not change how
// the others read.
QString DecodeText(std::string_view bytes);

} // namespace bf
