#pragma once

#include <cstdint>

namespace bf {

// The code an errno value stands for: no such device 2 (also EIO, the mark of a device that went
// away), held by another program 5, an unreachable Bluetooth RFCOMM device 87; any other errno is kept.
std::uint32_t MapSystemError(int error);

} // namespace bf
