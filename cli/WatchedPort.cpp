#include "cli/WatchedPort.h"

#include "link/Link.h"
#include "serial/CSerialException.h"

#include <algorithm>
#include <vector>

namespace bf::cli {

namespace {

constexpr std::uint32_t kLineRate = 9600; // every command starts at it; F9 returns to it
constexpr std::uint32_t kSliceMs = 50;

bool IsRateCommand(std::uint8_t command) {
    return command == cmd::Baud19200 || command == cmd::Baud38400 || command == cmd::Baud57600;
}

} // namespace

void WatchedPort::Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
                       SerialStopBits stopBits, SerialFlowControl flow) {
    try {
        m_port.Open(port, baud, parity, dataBits, stopBits, flow);
    } catch (const CSerialException& e) {
        char reason[256];
        const bool hasText = e.GetErrorMessage(reason, sizeof reason);
        m_openFailure = OpenFailure{port, e.m_errorCode, e.m_systemError, hasText ? reason : ""};
        throw;
    }
    m_openFailure.reset();
    m_rate = baud;
    m_lastCommand = 0;
}

void WatchedPort::Close() {
    m_port.Close();
    m_rate = 0;
}

std::size_t WatchedPort::Write(const void* buffer, std::size_t count) {
    if (count > 0)
        m_lastCommand = *static_cast<const std::uint8_t*>(buffer);
    m_eraseSent = m_eraseSent || m_lastCommand == cmd::EraseSector;
    return m_port.Write(buffer, count);
}

bool WatchedPort::WaitForQuietLine(Clock& clock) {
    const std::uint32_t start = clock.nowMs();
    std::uint32_t quietSince = start;
    std::vector<std::uint8_t> dropped(256);
    while (ElapsedMs(clock, quietSince) < kQuietMs) {
        if (ElapsedMs(clock, start) >= kLimitMs)
            return false;
        if (const std::uint32_t count = m_port.BytesAvailable(); count > 0) {
            m_port.Read(dropped.data(), std::min<std::size_t>(count, dropped.size()));
            quietSince = clock.nowMs();
            continue;
        }
        m_port.WaitForInput(kSliceMs);
    }
    return true;
}

// F9, then its confirmation (09, sent at the old rate), which tells that the controller heard it.
bool WatchedPort::SwitchedBack(Clock& clock) {
    Write(&cmd::Baud9600, 1);
    Flush();
    const std::uint32_t start = clock.nowMs();
    while (m_port.BytesAvailable() == 0 && ElapsedMs(clock, start) < timeout::Reply)
        m_port.WaitForInput(kSliceMs);
    std::uint8_t reply = 0;
    return m_port.BytesAvailable() == 1 && m_port.Read(&reply, 1) == 1 &&
           reply == cmd::RateConfirmation(cmd::Baud9600);
}

WatchedPort::Recovery WatchedPort::CloseAt9600(Clock& clock) {
    Recovery recovery = Recovery::NotNeeded;
    try {
        if (m_rate == kLineRate && IsRateCommand(m_lastCommand))
            recovery = Recovery::Unknown; // the switch may or may not have been heard
        else if (m_rate != 0 && m_rate != kLineRate && m_lastCommand != cmd::Baud9600) {
            recovery = Recovery::Unknown;
            if (WaitForQuietLine(clock) && SwitchedBack(clock))
                recovery = Recovery::Returned;
        }
    } catch (const CSerialException&) {
        // The port failed on the way back: the rate stays unknown.
    }
    Close();
    return recovery;
}

} // namespace bf::cli
