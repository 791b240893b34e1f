#include "SimPort.h"

#include "CSerialException.h"
#include "SerialTypes.h"

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
    opens.push_back({port, baud});
    if (ControllerModel* model = Model()) {
        std::vector<Output> ignored; // what it streamed while nobody listened is lost
        model->Idle(m_clock.nowMs(), ignored);
    }
}

void SimPort::Close() {
    if (m_port == 0)
        return;
    m_port = 0;
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

ControllerModel* SimPort::Model() {
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
    ControllerModel* model = Model();
    if (model && model->baudRate == m_baud) { // at another rate the controller hears only garbage
        std::vector<Output> outputs;
        model->Receive(bytes, count, m_clock.nowMs(), outputs);
        Enqueue(outputs);
    }
    return count;
}

void SimPort::Enqueue(const std::vector<Output>& outputs) {
    const std::uint32_t now = m_clock.nowMs();
    for (const Output& output : outputs) {
        const std::uint32_t due = now + output.delayMs;
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

// Moves every byte whose due time has come into the input queue; bytes sent at another rate than
// the port's are lost.
void SimPort::Deliver() {
    if (ControllerModel* model = Model()) {
        std::vector<Output> streamed;
        model->Idle(m_clock.nowMs(), streamed);
        Enqueue(streamed);
    }
    const std::uint32_t now = m_clock.nowMs();
    while (!m_pending.empty() && static_cast<std::int32_t>(now - m_pending.front().dueMs) >= 0) {
        if (m_pending.front().baud == m_baud)
            m_input.push_back(m_pending.front().byte);
        m_pending.pop_front();
    }
}

void SimPort::Flush() {
    CheckUsable();
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

// Moves the clock on to the next byte due, or by maxMs, whichever comes first.
void SimPort::WaitForInput(std::uint32_t maxMs) {
    CheckUsable();
    Deliver();
    if (!m_input.empty())
        return;
    std::uint32_t wait = maxMs;
    if (!m_pending.empty())
        wait = std::min(wait, m_pending.front().dueMs - m_clock.nowMs());
    const ControllerModel* model = Model();
    if (model && model->faults.stream && !model->linkDropped)
        wait = std::min<std::uint32_t>(wait, 1);
    m_clock.sleepMs(wait);
    Deliver();
}

} // namespace bf::sim
