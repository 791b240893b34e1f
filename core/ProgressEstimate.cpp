#include "core/ProgressEstimate.h"

#include "core/Format.h"

namespace bf {

namespace {
constexpr char kPercentFormat[] = "%d%%";
constexpr char kTimeLeftFormat[] = "Estimated time left: %d min %d sek";

std::int8_t LowByteSigned(int value) {
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFF));
}
} // namespace

std::string ProgressEstimate::TimeLeftText(std::uint32_t elapsedMs, std::int8_t percent) {
    // All unsigned 32-bit: the product keeps its low 32 bits, the quotients truncate.
    const auto p = static_cast<std::uint32_t>(static_cast<std::int32_t>(percent));
    const std::uint32_t remaining = (elapsedMs * (100u - p)) / p;
    const std::uint32_t seconds = remaining / 1000u + 1u;
    return Format(kTimeLeftFormat, static_cast<int>(seconds / 60u), static_cast<int>(seconds % 60u));
}

ProgressEstimate::Display ProgressEstimate::Update(int percent, int reset, std::uint32_t nowMs) {
    const std::int8_t value = LowByteSigned(percent);
    Display display;
    if (reset == 1) {
        m_startMs = nowMs;
        m_lastPercent = value;
        display.changed = true;
        display.reset = true;
        return display;
    }
    if (value == m_lastPercent)
        return display;
    m_lastPercent = value;
    display.changed = true;
    display.barPos = value;
    display.percentText = Format(kPercentFormat, static_cast<int>(value));
    // A low byte of 0 after a non-zero value would divide by zero: show the percentage alone.
    if (value != 0)
        display.timeLeftText = TimeLeftText(nowMs - m_startMs, value);
    return display;
}

} // namespace bf
