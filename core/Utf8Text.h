#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bf {

// The code points of strictly valid UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF); nullopt for anything else.
std::optional<std::u32string> DecodeUtf8(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view codePoints);
// Text in upper case, letter by letter, the same whatever the user's locale ("übung" -> "ÜBUNG").
// Bytes that are not valid UTF-8 are no text we can case: they are returned unchanged.
std::string UpperUtf8(std::string_view bytes);

} // namespace bf
