#pragma once

#include <cstdint>
#include <string>

namespace bf {

// The arithmetic behind the progress display: percentage text, bar position and the estimate of
// the time left. Kept apart from the widgets so the exact 8-bit and 32-bit rules are testable.
class ProgressEstimate {
  public:
    // What the display has to show after a call; `changed` false means leave everything alone.
    struct Display {
        bool changed = false;
        bool reset = false;
        int barPos = 0;
        std::string percentText;
        std::string timeLeftText;
    };

    // percent: only its low 8 bits count, read as signed; reset == 1 starts a new estimate.
    Display Update(int percent, int reset, std::uint32_t nowMs);

    // "Estimated time left: %d min %d sek" for `elapsedMs` at `percent` (non-zero).
    static std::string TimeLeftText(std::uint32_t elapsedMs, std::int8_t percent);

  private:
    std::uint32_t m_startMs = 0;
    std::int8_t m_lastPercent = 0;
};

} // namespace bf
