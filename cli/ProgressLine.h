#pragma once

#include "core/ProgressEstimate.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace bf::cli {

// The progress display of the command line: one line on a terminal, rewritten in place, with the
// percentage, the window's estimate of the time left, the frames per second of the write phase
// and the resend counter.
class ProgressLine {
  public:
    // Without `escapes` (a terminal that knows none) the old text is blanked out with spaces.
    explicit ProgressLine(std::ostream& out, bool escapes = true) : m_out(out), m_escapes(escapes) {}

    // As Host::UpdateProgress.
    void Update(int percent, int reset, std::uint32_t nowMs);
    // The port search moves its own bar: position `pos` of the ports 1 to `high - 1`.
    void ShowSearch(int pos, int high);
    void SetCounter(std::string_view text);
    // From the next reset on, the line shows frames per second, taking `total` frames as 100 %.
    void CountFramesFromNextReset(std::int32_t total) { m_pendingFrames = total; }
    // Erases the line, so that other output starts on a clean line.
    void Clear();

  private:
    void Draw(const std::string& text);

    std::ostream& m_out;
    bool m_escapes;
    std::size_t m_drawnLength = 0;
    ProgressEstimate m_estimate;
    std::string m_counter;
    std::int32_t m_pendingFrames = 0;
    std::int32_t m_frames = 0; // frames of the phase being counted; 0 when none is
    std::uint32_t m_phaseStartMs = 0;
    bool m_drawn = false;
};

} // namespace bf::cli
