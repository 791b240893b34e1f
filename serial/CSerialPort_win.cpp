#include "serial/CSerialPort.h"

#include "serial/CSerialException.h"
#include "serial/CommState_win.h"
#include "serial/LineTiming.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace bf {

namespace {

constexpr DWORD kWriteTimeoutPerByteMs = 1000;
constexpr DWORD kWriteTimeoutConstantMs = 1000;
// The most a USB-serial chip holds past what its driver reports as sent.
constexpr std::size_t kAdapterFifoBytes = 512;

DWORD ChunkOf(std::size_t count) {
    return static_cast<DWORD>(std::min<std::size_t>(count, MAXDWORD));
}

// The threads library sleeps in whole milliseconds and may wake up to one early.
void SleepUntil(std::chrono::steady_clock::time_point end) {
    while (std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_until(end);
}

} // namespace

// The Windows device: its handle, and the bytes a wait took in.
struct CSerialPort::Line {
    void Open(const std::string& name, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
              SerialStopBits stopBits, SerialFlowControl flow);
    void Close();
    bool IsOpen() const { return m_portHandle != INVALID_HANDLE_VALUE; }
    void CheckOpen() const;
    std::size_t Read(void* buffer, std::size_t count);
    std::size_t Write(const void* buffer, std::size_t count);
    void Drain();
    COMSTAT ReadStatus();
    std::uint32_t BytesAvailable();
    COMMTIMEOUTS ReadTimeouts();
    void ApplyTimeouts(COMMTIMEOUTS timeouts);
    void Purge(DWORD flags);
    void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting);
    void TakeQueuedInput();
    std::size_t ReadFromDevice(std::uint8_t* bytes, std::size_t count);

    HANDLE m_portHandle = INVALID_HANDLE_VALUE;
    std::uint32_t m_baud = 0;
    bool m_unsentBytes = false;                       // written since the line was last drained
    std::chrono::steady_clock::time_point m_lineFree; // when the last byte written is off the wire
    std::vector<std::uint8_t> m_input;                // taken from the driver's queue by a wait
};

void CSerialPort::Line::Open(const std::string& name, std::uint32_t baud, SerialParity parity,
                             std::uint8_t dataBits, SerialStopBits stopBits, SerialFlowControl flow) {
    // No sharing: a port that another program holds fails with ERROR_ACCESS_DENIED (5).
    const HANDLE handle =
        CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        ThrowSerialException();
    // From here on a failure leaves the port open; the next Open or Close closes it.
    m_portHandle = handle;
    m_baud = baud;
    m_unsentBytes = false;
    m_lineFree = std::chrono::steady_clock::now();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_portHandle, &dcb))
        ThrowSerialException();
    SetLineSettings(dcb, baud, parity, dataBits, stopBits, flow);
    if (!SetCommState(m_portHandle, &dcb))
        ThrowSerialException();
    // A session starts with empty queues. The system's serial driver empties them at each open,
    // but a driver may keep what came in after the last program closed the port (Wine on a
    // pseudo-terminal does), which would be read as the first answer of this one.
    Purge(PURGE_RXCLEAR | PURGE_TXCLEAR);
}

void CSerialPort::Line::Close() {
    if (!IsOpen())
        return;
    // Let the last command leave the line before the handle goes, as the POSIX port does: Flush
    // does not wait for it. A failure here changes nothing, Close cannot fail.
    if (m_unsentBytes)
        FlushFileBuffers(m_portHandle);
    const auto fifoGone =
        std::chrono::steady_clock::now() + std::chrono::microseconds(WireTimeUs(kAdapterFifoBytes, m_baud));
    SleepUntil(std::min(m_lineFree, fifoGone));
    CloseHandle(m_portHandle);
    m_portHandle = INVALID_HANDLE_VALUE;
    m_input.clear();
}

void CSerialPort::Line::CheckOpen() const {
    if (!IsOpen())
        ThrowSerialException(ERROR_INVALID_HANDLE);
}

std::size_t CSerialPort::Line::ReadFromDevice(std::uint8_t* bytes, std::size_t count) {
    DWORD got = 0;
    if (!ReadFile(m_portHandle, bytes, ChunkOf(count), &got, nullptr))
        ThrowSerialException();
    return got;
}

// Bytes a wait took in come first; with the non-blocking preset the rest returns at once with
// what the driver holds.
std::size_t CSerialPort::Line::Read(void* buffer, std::size_t count) {
    CheckOpen();
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const std::size_t taken = std::min(count, m_input.size());
    std::copy_n(m_input.begin(), taken, bytes);
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(taken));
    return taken + ReadFromDevice(bytes + taken, count - taken);
}

std::size_t CSerialPort::Line::Write(const void* buffer, std::size_t count) {
    CheckOpen();
    DWORD put = 0;
    if (!WriteFile(m_portHandle, buffer, ChunkOf(count), &put, nullptr))
        ThrowSerialException();
    if (put > 0) {
        m_unsentBytes = true;
        m_lineFree = std::max(m_lineFree, std::chrono::steady_clock::now()) +
                     std::chrono::microseconds(WireTimeUs(put, m_baud));
    }
    return put;
}

// FlushFileBuffers waits until the driver has handed every byte on; drivers that cannot tell when
// their output has gone (USB adapters, a pseudo-terminal under Wine) return earlier, so the wait
// lasts at least until the bytes' wire time has passed.
void CSerialPort::Line::Drain() {
    CheckOpen();
    if (m_unsentBytes && !FlushFileBuffers(m_portHandle))
        ThrowSerialException();
    m_unsentBytes = false;
    SleepUntil(m_lineFree);
}

// ClearCommError fetches the status and clears the device's error state; its error flags are not
// needed.
COMSTAT CSerialPort::Line::ReadStatus() {
    CheckOpen();
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(m_portHandle, &errors, &status))
        ThrowSerialException();
    return status;
}

std::uint32_t CSerialPort::Line::BytesAvailable() {
    return static_cast<std::uint32_t>(ReadStatus().cbInQue + m_input.size());
}

COMMTIMEOUTS CSerialPort::Line::ReadTimeouts() {
    CheckOpen();
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(m_portHandle, &timeouts))
        ThrowSerialException();
    return timeouts;
}

void CSerialPort::Line::ApplyTimeouts(COMMTIMEOUTS timeouts) {
    CheckOpen();
    if (!SetCommTimeouts(m_portHandle, &timeouts))
        ThrowSerialException();
}

void CSerialPort::Line::Purge(DWORD flags) {
    CheckOpen();
    if (flags & PURGE_RXCLEAR)
        m_input.clear();
    if (!PurgeComm(m_portHandle, flags))
        ThrowSerialException();
}

// Moves what the driver holds into our own buffer, so that the wait below sleeps until a new byte
// comes instead of returning at once for one already there.
void CSerialPort::Line::TakeQueuedInput() {
    const DWORD queued = ReadStatus().cbInQue;
    if (queued == 0)
        return;
    const std::size_t had = m_input.size();
    m_input.resize(had + queued);
    m_input.resize(had + ReadFromDevice(m_input.data() + had, queued));
}

// WaitCommEvent cannot be the wait: under Wine it returns at once without an event, or misses a
// byte that came. A one-byte read that returns with the first byte to arrive, or after maxMs,
// sleeps in the kernel on every system; the byte it takes is handed out first. The time-outs in
// force are put back afterwards.
void CSerialPort::Line::WaitForInput(std::uint32_t maxMs, std::uint32_t waiting) {
    CheckOpen();
    TakeQueuedInput();
    if (m_input.size() > waiting || maxMs == 0)
        return;
    const COMMTIMEOUTS found = ReadTimeouts();
    COMMTIMEOUTS untilFirstByte = found;
    untilFirstByte.ReadIntervalTimeout = MAXDWORD;
    untilFirstByte.ReadTotalTimeoutMultiplier = MAXDWORD;
    untilFirstByte.ReadTotalTimeoutConstant = std::min<DWORD>(maxMs, MAXDWORD - 1);
    ApplyTimeouts(untilFirstByte);
    std::uint8_t byte = 0;
    const std::size_t got = ReadFromDevice(&byte, 1);
    ApplyTimeouts(found);
    if (got == 1)
        m_input.push_back(byte);
}

CSerialPort::CSerialPort() : m_line(std::make_unique<Line>()) {}

CSerialPort::CSerialPort(const PortMap& map) : m_portMap(map), m_line(std::make_unique<Line>()) {}

CSerialPort::~CSerialPort() {
    m_line->Close();
}

// Port n is the system's own COMn: the port map has no part here.
void CSerialPort::Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
                       SerialStopBits stopBits, SerialFlowControl flow) {
    m_line->Close();
    m_line->Open(DevicePath(port), baud, parity, dataBits, stopBits, flow);
}

void CSerialPort::Close() {
    m_line->Close();
}

bool CSerialPort::IsOpen() const {
    return m_line->IsOpen();
}

std::size_t CSerialPort::Read(void* buffer, std::size_t count) {
    return m_line->Read(buffer, count);
}

std::size_t CSerialPort::Write(const void* buffer, std::size_t count) {
    return m_line->Write(buffer, count);
}

// Every command is answered by the controller, which proves delivery; a FlushFileBuffers per
// write frame would wait for the line each time. Flush therefore only checks the port; Drain
// waits where timing depends on the bytes having left, and Close before it lets go.
void CSerialPort::Flush() {
    m_line->CheckOpen();
}

void CSerialPort::Drain() {
    m_line->Drain();
}

std::uint32_t CSerialPort::BytesAvailable() {
    return m_line->BytesAvailable();
}

// A read returns at once with what the driver holds.
void CSerialPort::SetNonBlockingReads() {
    COMMTIMEOUTS timeouts = m_line->ReadTimeouts();
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    m_line->ApplyTimeouts(timeouts);
}

// A write of n bytes takes at most 1000 * n + 1000 ms.
void CSerialPort::SetWriteTimeout() {
    COMMTIMEOUTS timeouts = m_line->ReadTimeouts();
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutConstantMs;
    m_line->ApplyTimeouts(timeouts);
}

void CSerialPort::AbortPendingReads() {
    m_line->Purge(PURGE_RXABORT);
}

void CSerialPort::DiscardInput() {
    m_line->Purge(PURGE_RXCLEAR);
}

void CSerialPort::WaitForInput(std::uint32_t maxMs, std::uint32_t waiting) {
    m_line->WaitForInput(maxMs, waiting);
}

// The name CreateFileA opens; the "\\.\" form reaches every port number, 10 and above included.
std::string CSerialPort::DevicePath(int port) const {
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    return name;
}

std::intptr_t CSerialPort::Handle() const {
    return reinterpret_cast<std::intptr_t>(m_line->m_portHandle);
}

} // namespace bf
