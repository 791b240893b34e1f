#include "params/ParameterCapture.h"

#include "link/Link.h"

#include <algorithm>

namespace bf {

namespace {
constexpr std::size_t kInitialReserve = 65000; // a usual printout fits without growing
} // namespace

ParameterCapture::ParameterCapture(Session& s, std::size_t cap) : m_s(s), m_cap(cap) {
    m_bytes.reserve(std::min(cap, kInitialReserve));
}

int ParameterCapture::ProgressForLine(long long k) {
    return static_cast<int>(std::min<long long>(100, (100 * (k - 1)) / kExpectedLines));
}

ParameterCapture::End ParameterCapture::Run() {
    std::uint32_t lastByteMs = m_s.clock.nowMs();
    while (AwaitByte(lastByteMs)) {
        std::uint8_t b = 0;
        m_s.port.Read(&b, 1);
        const Step step = Handle(b);
        if (step == Step::TextEnd)
            return End::TextEnd;
        if (step == Step::Full)
            return End::Full;
        m_previous = b;
        m_s.host.PumpMessages();
        lastByteMs = m_s.clock.nowMs();
    }
    return End::Silence;
}

bool ParameterCapture::AwaitByte(std::uint32_t lastByteMs) {
    // No event handling while the queue is empty: the port sleeps until a byte or the limit.
    for (;;) {
        const std::uint32_t elapsed = ElapsedMs(m_s.clock, lastByteMs);
        if (elapsed > kSilenceMs)
            return false;
        if (m_s.port.BytesAvailable() != 0)
            return true;
        m_s.port.WaitForInput(kSilenceMs + 1 - elapsed);
    }
}

ParameterCapture::Step ParameterCapture::Handle(std::uint8_t b) {
    if (b == esc::Escape)
        return Step::Continue;
    if (b == esc::TextEnd && m_previous == esc::Escape)
        return Step::TextEnd;
    if (m_bytes.size() >= m_cap)
        return Step::Full;
    m_bytes.push_back(b);
    if (b == '\r') {
        ++m_count;
        m_s.host.UpdateProgress(ProgressForLine(m_count), 0);
    }
    return Step::Continue;
}

} // namespace bf
