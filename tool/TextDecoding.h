#pragma once

#include <string>
#include <string_view>

namespace bf {

// Shows 8-bit text as the controller and Windows-made files mean it: bytes that are valid UTF-8
// as UTF-8, anything else as Windows-1252. Call it per line, so one odd line does not change how
// the others read. A front end takes the form its toolkit draws: UTF-8, or UTF-16 for Qt and the
// Windows API.
std::string DecodeTextToUtf8(std::string_view bytes);
std::u16string DecodeTextToUtf16(std::string_view bytes);

} // namespace bf
