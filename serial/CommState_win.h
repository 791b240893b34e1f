#pragma once

#include "serial/SerialTypes.h"

#include <windows.h>

#include <cstdint>

namespace bf {

// What Open puts into the device control block it read from the device: the rate, data bits,
// parity and stop bits, no DSR sensitivity, and the handshake fields of the flow-control choice.
// A parity, stop-bit or flow-control value outside its table keeps what the device had, and so do
// all other fields (fParity, fAbortOnError, and DTR and RTS control without a handshake).
void SetLineSettings(DCB& dcb, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
                     SerialStopBits stopBits, SerialFlowControl flow);

} // namespace bf
