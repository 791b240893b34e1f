#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace bf::cli {

namespace {
constexpr char kEraseToEnd[] = "\x1b[K";
constexpr char kSearchFormat[] = "port search: COM%d of %d";
constexpr char kRateFormat[] = "  %.0f frames/s";
} // namespace

void ProgressLine::Update(int percent, int reset, std::uint32_t nowMs) {
    const ProgressEstimate::Display d = m_estimate.Update(percent, reset, nowMs);
    if (d.reset) {
        m_frames = m_pendingFrames;
        m_pendingFrames = 0;
        m_phaseStartMs = nowMs;
        Clear();
        return;
    }
    if (!d.changed)
        return;
    std::string text = d.percentText;
    if (!d.timeLeftText.empty())
        text += "  " + d.timeLeftText;
    const std::uint32_t elapsedMs = nowMs - m_phaseStartMs;
    if (m_frames > 0 && elapsedMs > 0) {
        const double frames = static_cast<double>(d.barPos) * m_frames / 100.0;
        char rate[48];
        std::snprintf(rate, sizeof rate, kRateFormat, frames * 1000.0 / elapsedMs);
        text += rate;
    }
    if (!m_counter.empty())
        text += "  " + m_counter;
    Draw(text);
}

void ProgressLine::ShowSearch(int pos, int high) {
    if (pos <= 0) {
        Clear();
        return;
    }
    char text[48];
    std::snprintf(text, sizeof text, kSearchFormat, pos, high - 1);
    Draw(text);
}

void ProgressLine::SetCounter(std::string_view text) {
    m_counter = text;
}

void ProgressLine::Draw(const std::string& text) {
    m_out << '\r' << text;
    if (m_escapes)
        m_out << kEraseToEnd;
    else if (text.size() < m_drawnLength)
        m_out << std::string(m_drawnLength - text.size(), ' ');
    m_out << std::flush;
    m_drawnLength = std::max(m_drawnLength, text.size());
    m_drawn = true;
}

void ProgressLine::Clear() {
    if (!m_drawn)
        return;
    if (m_escapes)
        m_out << '\r' << kEraseToEnd;
    else
        m_out << '\r' << std::string(m_drawnLength, ' ') << '\r';
    m_out << std::flush;
    m_drawnLength = 0;
    m_drawn = false;
}

} // namespace bf::cli
