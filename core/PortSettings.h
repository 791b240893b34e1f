#pragma once

#include <cstdint>

namespace bf {

// The port and rate choices of the Setup > Port menu, read by every controller operation.
struct PortSettings {
    std::int32_t m_nPort = 0;         // 0 = none (AUTO chosen, or the port search found nothing)
    std::int32_t m_nBaudRate = 38400; // 9600, 19200, 38400 or 57600
    std::int32_t m_bAutoPort = 1;     // 1 = Setup > Port > AUTO
};

} // namespace bf
