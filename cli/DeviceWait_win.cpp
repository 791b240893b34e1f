#include "cli/DeviceWait.h"

#include <windows.h>

namespace bf::cli {

bool DeviceOpens(const std::string& path) {
    // As the serial port opens it: read and write, no sharing.
    const HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return true;
}

} // namespace bf::cli
