#include "sim/SimPort.h"

#include "serial/CSerialException.h"
#include "serial/LineTiming.h"
#include "serial/SerialTypes.h"

#include <algorithm>
#include <cerrno>

namespace bf::sim {

namespace {
// A call on a port that is not open fails as a call on an invalid descriptor does.
constexpr std::uint32_t kErrorNotOpen = EBADF;
} // namespace

SimPort::SimPort(Clock& clock) : m_clock(clock) {}

void SimPort::AttachController(int portNumber, ControllerModel& model) {
    m_lines[portNumber] = {LineKind::Controller, &model, 0};
}

void SimPort::AttachSilentLine(int portNumber) {
    m_lines[portNumber] = {LineKind::Silent, nullptr, 0};
}

void SimPort::SetOpenError(int portNumber, std::uint32_t errorCode) {
    m_lines[portNumber] = {LineKind::OpenError, nullptr, errorCode};
}

void SimPort::SetDevicePath(int portNumber, std::string path) {
    m_devicePaths[portNumber] = std::move(path);
}

std::string SimPort::DevicePath(int port) const {
    const auto path = m_devicePaths.find(port);
    return path != m_devicePaths.end() ? path->second : std::string();
}

void SimPort::SetLineTiming(bool on) {
    m_lineTiming = on;
}

void SimPort::StallDrains() {
    m_stalledDrains = true;
}

void SimPort::Vanish() {
    if (m_port != 0)
        m_vanished.insert(m_port);
}

void SimPort::Open(int port, std::uint32_t baud, SerialParity, std::uint8_t, SerialStopBits,
                   SerialFlowControl) {
    Close();
    auto line = m_lines.find(port);
    if (line == m_lines.end() || m_vanished.count(port))
        ThrowSerialException(kErrorPortMissing);
    if (line->second.kind == LineKind::OpenError)
        ThrowSerialException(line->second.errorCode);
    m_port = port;
    m_baud = baud;
    m_unsentBytes = 0;
    opens.push_back({port, baud});
    if (ControllerModel* model = Model()) {
        std::vector<Output> ignored; // what it streamed while nobody listened is lost
        model->Idle(m_clock.nowMs(), ignored);
    }
}

void SimPort::Close() {
    if (m_port == 0)
        return;
    if (!m_vanished.count(m_port))
        DrainOutput();
    m_port = 0;
    m_outgoing.clear();
    m_pending.clear();
    m_input.clear();
    ++closes;
}

bool SimPort::IsOpen() const {
    return m_port != 0;
}

void SimPort::CheckUsable() {
    if (m_port == 0)
        ThrowSerialException(kErrorNotOpen);
    const ControllerModel* model = Model();
    if (m_vanished.count(m_port) || (model && model->linkDropped)) {
        m_vanished.insert(m_port);
        ThrowSerialException(kErrorPortMissing);
    }
}

ControllerModel* SimPort::Model() const {
    auto line = m_lines.find(m_port);
    return line != m_lines.end() && line->second.kind == LineKind::Controller ? line->second.model : nullptr;
}

std::size_t SimPort::Read(void* buffer, std::size_t count) {
    CheckUsable();
    Deliver();
    const std::size_t n = std::min(count, m_input.size());
    std::copy_n(m_input.begin(), n, static_cast<std::uint8_t*>(buffer));
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

std::size_t SimPort::Write(const void* buffer, std::size_t count) {
    CheckUsable();
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    written.insert(written.end(), bytes, bytes + count);
    m_unsentBytes += count;
    const std::uint32_t now = m_clock.nowMs();
    if (!m_lineTiming) {
        wireEndMs.insert(wireEndMs.end(), count, now);
        Hear(bytes, count, m_baud, now);
        return count;
    }
    // Byte after byte, behind what is still on the wire; a byte is heard when its last bit is in.
    if (static_cast<std::int32_t>(m_lineFreeMs - now) <= 0) {
        m_lineBusySinceMs = now;
        m_lineBytes = 0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        ++m_lineBytes;
        m_lineFreeMs =
            m_lineBusySinceMs + static_cast<std::uint32_t>((WireTimeUs(m_lineBytes, m_baud) + 999) / 1000);
        m_outgoing.push_back({m_lineFreeMs, bytes[i], m_baud});
        wireEndMs.push_back(m_lineFreeMs);
    }
    return count;
}

void SimPort::Hear(const std::uint8_t* bytes, std::size_t count, std::uint32_t baud, std::uint32_t atMs) {
    ControllerModel* model = Model();
    if (model && model->baudRate == baud) { // at another rate the controller hears only garbage
        std::vector<Output> outputs;
        model->Receive(bytes, count, atMs, outputs);
        Enqueue(outputs, atMs);
    }
}

void SimPort::Enqueue(const std::vector<Output>& outputs, std::uint32_t sentMs) {
    for (const Output& output : outputs) {
        const std::uint32_t due = sentMs + output.delayMs;
        auto at = std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending& p) {
            return static_cast<std::int32_t>(p.dueMs - due) > 0;
        });
        std::vector<Pending> bytes;
        bytes.reserve(output.bytes.size());
        for (std::uint8_t byte : output.bytes)
            bytes.push_back({due, byte, output.baud});
        m_pending.insert(at, bytes.begin(), bytes.end());
    }
}

// Hands the model every written byte that is in by now, then moves every byte whose due time has
// come into the input queue; bytes sent at another rate than the port's are lost.
void SimPort::Deliver() {
    const std::uint32_t now = m_clock.nowMs();
    while (!m_outgoing.empty() && static_cast<std::int32_t>(now - m_outgoing.front().dueMs) >= 0) {
        const Pending byte = m_outgoing.front();
        m_outgoing.pop_front();
        Hear(&byte.byte, 1, byte.baud, byte.dueMs);
    }
    if (ControllerModel* model = Model()) {
        std::vector<Output> streamed;
        model->Idle(now, streamed);
        Enqueue(streamed, now);
    }
    while (!m_pending.empty() && static_cast<std::int32_t>(now - m_pending.front().dueMs) >= 0) {
        if (m_pending.front().baud == m_baud)
            m_input.push_back(m_pending.front().byte);
        m_pending.pop_front();
    }
}

void SimPort::Flush() {
    CheckUsable();
}

void SimPort::Drain() {
    CheckUsable();
    DrainOutput();
}

// As the real port: waits until the written bytes are in, within DrainLimitMs of what was written
// since the last drain; a stalled drain runs out the limit and discards what is still on its way.
void SimPort::DrainOutput() {
    ++drains;
    const std::uint32_t limit = DrainLimitMs(m_unsentBytes, m_baud);
    m_unsentBytes = 0;
    if (m_stalledDrains) {
        m_clock.sleepMs(limit);
        m_outgoing.clear();
        m_lineFreeMs = m_clock.nowMs();
        return;
    }
    if (!m_outgoing.empty())
        m_clock.sleepMs(m_outgoing.back().dueMs - m_clock.nowMs());
    Deliver();
}

std::uint32_t SimPort::BytesAvailable() {
    CheckUsable();
    Deliver();
    return static_cast<std::uint32_t>(m_input.size());
}

void SimPort::SetNonBlockingReads() {
    CheckUsable();
    nonBlockingReads = true;
}

void SimPort::SetWriteTimeout() {
    CheckUsable();
    writeTimeout = true;
}

void SimPort::AbortPendingReads() {
    CheckUsable();
}

void SimPort::DiscardInput() {
    CheckUsable();
    Deliver();
    m_input.clear();
}

// Moves the clock on to the next byte due (to or from the controller), or by maxMs, whichever
// comes first; at once when more than `waiting` bytes are in.
void SimPort::WaitForInput(std::uint32_t maxMs, std::uint32_t waiting) {
    CheckUsable();
    Deliver();
    if (m_input.size() > waiting)
        return;
    m_clock.sleepMs(NextEventIn(maxMs));
    Deliver();
}

std::uint32_t SimPort::NextEventIn(std::uint32_t maxMs) const {
    const std::uint32_t now = m_clock.nowMs();
    std::uint32_t wait = maxMs;
    if (!m_pending.empty())
        wait = std::min(wait, m_pending.front().dueMs - now);
    if (!m_outgoing.empty())
        wait = std::min(wait, m_outgoing.front().dueMs - now);
    const ControllerModel* model = Model();
    if (model && model->faults.stream && !model->linkDropped)
        wait = std::min<std::uint32_t>(wait, 1);
    return wait;
}

} // namespace bf::sim
