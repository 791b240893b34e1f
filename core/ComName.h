#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bf {

// "COMn": how the settings file, the window's menu and the command line name a port by number.
std::string ComName(int port);

// The n of "COMn": the prefix in any case, then one to three decimal digits without a leading zero
// and nothing else (no sign, no blank). nullopt for any other text. Whether n is a port of this system (1 to
// 28) is for the caller to say, so that it can tell a wrong number from a text that is no port name at all.
std::optional<int> ComNumber(std::string_view text);

// True when `text` names a port by its device's path rather than by a COM number: on POSIX systems
// any text with a '/' in it (ComName_posix.cpp, ComName_win.cpp).
bool IsDevicePath(std::string_view text);

} // namespace bf
