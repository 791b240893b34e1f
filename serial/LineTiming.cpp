#include "serial/LineTiming.h"

#include <algorithm>

namespace bf {

namespace {
constexpr std::uint32_t kDrainGraceMs = 1000;
} // namespace

std::uint64_t WireTimeUs(std::size_t bytes, std::uint32_t baud) {
    return bytes * std::uint64_t{kBitsPerByte} * 1000000u / std::max<std::uint32_t>(baud, 1);
}

std::uint32_t DrainLimitMs(std::size_t queuedBytes, std::uint32_t baud) {
    const std::uint64_t wireMs = (WireTimeUs(queuedBytes, baud) + 999) / 1000;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(wireMs + kDrainGraceMs, UINT32_MAX));
}

} // namespace bf
