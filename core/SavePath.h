#pragma once

#include "core/Host.h"

#include <optional>
#include <string>
#include <string_view>

namespace bf {

// The save dialogs' extension rule with its question: the chosen path gets "." + extension
// unless its name has that extension already. The dialog asked about overwriting the name it
// showed; when the name with the extension added exists, the host asks again about that one.
// nullopt when that question is answered No.
std::optional<std::string> ConfirmedSavePath(Host& host, const std::string& chosen,
                                             std::string_view extension);

} // namespace bf
