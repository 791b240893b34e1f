#pragma once

#include <cstddef>
#include <cstdint>

namespace bf {

// A byte on the controller's line is a start bit, 8 data bits and two stop bits.
constexpr std::uint32_t kBitsPerByte = 11;

// How long `bytes` take on the wire at `baud`, in microseconds.
std::uint64_t WireTimeUs(std::size_t bytes, std::uint32_t baud);

// The longest a drain waits for `queuedBytes` to leave the line before it gives up and discards
// them: their wire time plus a second. A stalled adapter or stuck flow control would otherwise
// hold the drain for ever.
std::uint32_t DrainLimitMs(std::size_t queuedBytes, std::uint32_t baud);

} // namespace bf
