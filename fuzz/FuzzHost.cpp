#include "fuzz/FuzzHost.h"

#include "fuzz/Violation.h"

namespace bf::fuzz {

void FuzzHost::UpdateProgress(int percent, int reset) {
    Require(percent >= 0 && percent <= 100, "a progress percentage outside 0 to 100");
    if (reset != 0) {
        m_lastPercent = 0;
        return;
    }
    // As the window: a changed percentage is shown, and showing it handles one event.
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        PumpMessages();
    }
}

void FuzzHost::PumpMessages() {
    m_clock.advance(1);
    if (++m_pumps == closeAtPump) {
        m_closeRequested = true;
        closeWasRequested = true;
    }
    if (onStep)
        onStep();
}

void FuzzHost::WaitPumping(std::uint32_t ms) {
    const std::uint32_t start = m_clock.nowMs();
    while (m_clock.nowMs() - start < ms)
        PumpMessages();
}

void FuzzHost::EnableToolbarButtons(bool open, bool update, bool param) {
    toolbarTouched = true;
    toolbarOff = !open && !update && !param;
}

} // namespace bf::fuzz
