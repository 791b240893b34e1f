#pragma once

#include <string>
#include <string_view>

namespace bf::win {

// UTF-8 inside the program, UTF-16 at the Windows API. Invalid UTF-8 becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Text from the operations as the window shows it: valid UTF-8, else Windows-1252, like the Qt
// window (see DecodeTextToUtf16).
std::wstring DecodedText(std::string_view bytes);

} // namespace bf::win
