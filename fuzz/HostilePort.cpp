#include "fuzz/HostilePort.h"

#include "fuzz/Violation.h"
#include "serial/CSerialException.h"
#include "serial/SerialTypes.h"

#include <algorithm>
#include <cerrno>

namespace bf::fuzz {

namespace {
// A call on a port that is not open fails as a call on an invalid descriptor does.
constexpr std::uint32_t kErrorNotOpen = EBADF;
} // namespace

HostilePort::HostilePort(Clock& clock, ReplySource& replies, const SessionSetup& setup)
    : m_clock(clock), m_replies(replies), m_setup(setup), m_startMs(clock.nowMs()) {}

void HostilePort::SetLimits(const RunLimits& limits) {
    m_limits = limits;
}

std::uint32_t HostilePort::ElapsedMs() const {
    return m_clock.nowMs() - m_startMs;
}

void HostilePort::CheckTime() const {
    if (m_limits.maxElapsedMs != 0 && ElapsedMs() > m_limits.maxElapsedMs)
        Violation("the operation ran past the virtual time its time-outs allow");
}

// Every call: the limits, then the failure the script placed here, then a port that has gone.
// Returns the error code the call fails with, 0 when it goes through.
std::uint32_t HostilePort::Trouble(PortCall call) {
    CheckTime();
    if (m_limits.maxCalls != 0 && ++m_calls > m_limits.maxCalls)
        Violation("the operation made more port calls than its waits and the replies explain");
    auto& count = m_callCounts[static_cast<std::size_t>(call)];
    ++count;
    if (call == m_setup.failAt && count == m_setup.failIndex && m_setup.failCode != 0) {
        if (m_port != 0)
            m_deadPorts.push_back(m_port);
        return m_setup.failCode;
    }
    if (call == PortCall::Open)
        return 0;
    if (m_port == 0)
        return kErrorNotOpen;
    if (IsDead(m_port))
        return kErrorPortMissing;
    return 0;
}

void HostilePort::Enter(PortCall call) {
    if (const std::uint32_t code = Trouble(call); code != 0) {
        m_events.push_back({WireEvent::Kind::Failure, m_clock.nowMs(), m_port, 0, code, {}, {}, 0, 0});
        ThrowSerialException(code);
    }
}

bool HostilePort::IsDead(int port) const {
    return std::find(m_deadPorts.begin(), m_deadPorts.end(), port) != m_deadPorts.end();
}

void HostilePort::Open(int port, std::uint32_t baud, SerialParity, std::uint8_t, SerialStopBits,
                       SerialFlowControl) {
    Close();
    std::uint32_t code = Trouble(PortCall::Open);
    if (code == 0 && IsDead(port))
        code = kErrorPortMissing;
    for (const auto& [errorPort, errorCode] : m_setup.openErrors)
        if (code == 0 && errorPort == port)
            code = errorCode;
    if (code != 0) {
        m_events.push_back({WireEvent::Kind::OpenFailed, m_clock.nowMs(), port, baud, code, {}, {}, 0, 0});
        ThrowSerialException(code);
    }
    m_port = port;
    m_baud = baud;
    m_events.push_back({WireEvent::Kind::Open, m_clock.nowMs(), port, baud, 0, {}, {}, 0, 0});
    Schedule(m_replies.NextReply(port, {})); // noise on the line as it opens
}

void HostilePort::Close() {
    if (m_port == 0)
        return;
    m_events.push_back({WireEvent::Kind::Close, m_clock.nowMs(), m_port, 0, 0, {}, {}, 0, 0});
    m_port = 0;
    m_pending.clear(); // what is still on its way to a closed port is lost
    m_input.clear();
}

void HostilePort::Schedule(const Reply& reply) {
    std::uint32_t due = m_clock.nowMs();
    for (const Chunk& chunk : reply) {
        due += chunk.delayMs;
        // After everything due no later, so replies that overlap keep their bytes' order.
        auto at = std::find_if(m_pending.begin(), m_pending.end(),
                               [due](const Byte& b) { return static_cast<std::int32_t>(b.dueMs - due) > 0; });
        std::vector<Byte> bytes;
        for (std::uint8_t value : chunk.bytes)
            bytes.push_back({due, value});
        m_pending.insert(at, bytes.begin(), bytes.end());
    }
}

void HostilePort::Deliver() {
    const std::uint32_t now = m_clock.nowMs();
    while (!m_pending.empty() && static_cast<std::int32_t>(now - m_pending.front().dueMs) >= 0) {
        m_input.push_back(m_pending.front());
        m_pending.pop_front();
    }
}

std::size_t HostilePort::Read(void* buffer, std::size_t count) {
    Enter(PortCall::Read);
    Deliver();
    std::size_t n = std::min(count, m_input.size());
    if (m_setup.readLimit != 0)
        n = std::min<std::size_t>(n, m_setup.readLimit);
    WireEvent event{WireEvent::Kind::Read, m_clock.nowMs(), m_port, 0, 0, {}, {}, m_lastPolled, m_polls};
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = m_input.front().value;
        event.bytes.push_back(m_input.front().value);
        event.arrivals.push_back(m_input.front().dueMs);
        m_input.pop_front();
    }
    m_events.push_back(std::move(event));
    return n;
}

std::size_t HostilePort::Write(const void* buffer, std::size_t count) {
    Enter(PortCall::Write);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::vector<std::uint8_t> written(bytes, bytes + count);
    m_events.push_back({WireEvent::Kind::Write, m_clock.nowMs(), m_port, 0, 0, written, {}, 0, 0});
    Schedule(m_replies.NextReply(m_port, written));
    return count;
}

void HostilePort::Flush() {
    Enter(PortCall::Flush);
}

void HostilePort::Drain() {
    Enter(PortCall::Drain);
}

std::uint32_t HostilePort::BytesAvailable() {
    Enter(PortCall::Poll);
    Deliver();
    ++m_polls;
    m_lastPolled = static_cast<std::uint32_t>(m_input.size());
    return m_lastPolled;
}

void HostilePort::SetNonBlockingReads() {
    Enter(PortCall::Setup);
}

void HostilePort::SetWriteTimeout() {
    Enter(PortCall::Setup);
}

void HostilePort::AbortPendingReads() {
    Enter(PortCall::Discard);
}

void HostilePort::DiscardInput() {
    Enter(PortCall::Discard);
    Deliver();
    WireEvent event{WireEvent::Kind::Discard, m_clock.nowMs(), m_port, 0, 0, {}, {}, 0, 0};
    for (const Byte& b : m_input)
        event.bytes.push_back(b.value);
    m_input.clear();
    m_events.push_back(std::move(event));
}

// Moves the clock on to the next byte due, or by maxMs, whichever comes first; at once when more
// than `waiting` bytes are in.
void HostilePort::WaitForInput(std::uint32_t maxMs, std::uint32_t waiting) {
    Enter(PortCall::Wait);
    Deliver();
    if (m_input.size() > waiting)
        return;
    std::uint32_t wait = maxMs;
    if (!m_pending.empty())
        wait = std::min(wait, m_pending.front().dueMs - m_clock.nowMs());
    m_clock.sleepMs(wait);
    Deliver();
}

} // namespace bf::fuzz
