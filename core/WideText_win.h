#pragma once

#include <string>
#include <string_view>

namespace bf {

// Paths and texts are UTF-8 inside the program and UTF-16 at Windows' ...W calls.

// The UTF-16 form of UTF-8 `text`; empty when `text` is no valid UTF-8 (or is empty).
std::wstring WideFromUtf8(std::string_view text);
// The UTF-8 form of UTF-16 `text`; unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

} // namespace bf
