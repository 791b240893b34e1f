#include "serial/CSerialPort.h"

#include "serial/CSerialException.h"
#include "serial/CallTimeLimit_linux.h"
#include "serial/LineTiming.h"
#include "serial/PortHolder_linux.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bf {

namespace {

constexpr int kWriteTimeoutPerByteMs = 1000;
constexpr int kWriteTimeoutConstantMs = 1000;
constexpr cc_t kXon = 0x11;
constexpr cc_t kXoff = 0x13;
constexpr std::size_t kInputChunk = 256;
// How long a program that has the device open is given to let it go again before it counts.
constexpr auto kHolderSecondLook = std::chrono::milliseconds(50);
// The last close of a terminal may wait for its output again (a driver's closing wait is 30 s).
constexpr auto kCloseLimit = std::chrono::milliseconds(1000);
// The most a USB-serial chip holds past what its driver reports as sent.
constexpr std::size_t kAdapterFifoBytes = 512;

speed_t SpeedOf(std::uint32_t baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return 0;
    }
}

tcflag_t SizeOf(std::uint8_t dataBits) {
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

// Parity and stop bits; a value outside its table keeps what the device had (`before`).
void SetFraming(termios& t, const termios& before, SerialParity parity, SerialStopBits stopBits) {
    constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;
    t.c_cflag &= ~kParityBits;
    switch (parity) {
    case ParityNone:
        break;
    case ParityEven:
        t.c_cflag |= PARENB;
        break;
    case ParityOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case ParityMark:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case ParitySpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        t.c_cflag |= before.c_cflag & kParityBits;
    }
    switch (stopBits) {
    case StopBitsOne:
        t.c_cflag &= ~CSTOPB;
        break;
    case StopBitsOneHalf: // 1.5 stop bits exist on this system only as the 5-bit form of two
    case StopBitsTwo:
        t.c_cflag |= CSTOPB;
        break;
    default:
        t.c_cflag = (t.c_cflag & ~CSTOPB) | (before.c_cflag & CSTOPB);
    }
}

// Handshake lines: this system knows RTS/CTS and XON/XOFF; DSR-based flow control has no
// counterpart and runs without flow control.
void SetFlow(termios& t, const termios& before, SerialFlowControl flow) {
    t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    switch (flow) {
    case FlowNone:
    case FlowDsrRts:
    case FlowDsrDtr:
        break;
    case FlowCtsRts:
    case FlowCtsDtr:
        t.c_cflag |= CRTSCTS;
        break;
    case FlowXonXoff:
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = kXon;
        t.c_cc[VSTOP] = kXoff;
        break;
    default:
        t.c_cflag |= before.c_cflag & CRTSCTS;
        t.c_iflag |= before.c_iflag & (IXON | IXOFF | IXANY);
    }
}

// USB adapters hold received bytes up to their latency timer (16 ms by default); ask for low
// latency. Devices without the serial-info interface (pseudo-terminals) refuse: that is fine.
// Returns the driver's flags as they were, when they were changed.
std::optional<int> RequestLowLatency(int fd) {
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) != 0 || (info.flags & ASYNC_LOW_LATENCY))
        return std::nullopt;
    const int found = info.flags;
    info.flags |= ASYNC_LOW_LATENCY;
    if (ioctl(fd, TIOCSSERIAL, &info) != 0)
        return std::nullopt;
    return found;
}

void RestoreSerialFlags(int fd, int flags) {
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) != 0)
        return;
    info.flags = flags;
    ioctl(fd, TIOCSSERIAL, &info);
}

[[noreturn]] void ThrowClosing(int fd) {
    const int error = errno;
    close(fd);
    errno = error;
    ThrowSerialException();
}

// A program that has the device open without a lock (a terminal program, ModemManager) would get
// our commands in its session and fight us for the replies: the port is busy.
void RefuseIfHeld(int fd) {
    if (!FindLastingHolder(fd, [] { std::this_thread::sleep_for(kHolderSecondLook); }))
        return;
    ioctl(fd, TIOCNXCL);
    close(fd);
    throw CSerialException(kErrorPortBusy, EBUSY);
}

int MsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

// The termios device: its descriptor, the line as Open found it, and the bytes taken in meanwhile.
struct CSerialPort::Line {
    void Open(const std::string& path, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
              SerialStopBits stopBits, SerialFlowControl flow);
    void Close();
    std::size_t Read(void* buffer, std::size_t count);
    std::size_t Write(const void* buffer, std::size_t count);
    void Drain();
    std::uint32_t BytesAvailable();
    void SetNonBlockingReads();
    void SetWriteTimeout();
    void Purge(int queueSelector); // tcflush selector
    void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting);
    void CheckOpen() const;

    void SaveLine();
    void RestoreLine();
    void Configure(std::uint32_t baud, SerialParity parity, std::uint8_t dataBits, SerialStopBits stopBits,
                   SerialFlowControl flow);
    void CheckConnected(short events, int timeoutMs);
    bool WaitWritable(int timeoutMs);
    int KernelDrain();
    void TakeQueuedInput();

    int m_portHandle = -1;
    bool m_nonBlockingReads = false;
    bool m_writeTimeout = false;
    std::uint32_t m_baud = 0;
    std::optional<termios> m_foundSettings;           // the line as Open found it, restored by Close
    std::optional<int> m_foundSerialFlags;            // the driver flags, when Open changed them
    std::size_t m_unsentBytes = 0;                    // written since the line was last drained
    std::chrono::steady_clock::time_point m_lineFree; // when the last byte written is off the wire
    std::vector<std::uint8_t> m_input;                // taken from the kernel's queue while a wait slept
};

void CSerialPort::Line::Open(const std::string& path, std::uint32_t baud, SerialParity parity,
                             std::uint8_t dataBits, SerialStopBits stopBits, SerialFlowControl flow) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        ThrowSerialException();
    // TIOCEXCL keeps other users out but not root; the lock covers every process that asks for it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0)
        ThrowClosing(fd);
    RefuseIfHeld(fd);
    // From here on a failure leaves the port open; the next Open or Close closes it.
    m_portHandle = fd;
    m_nonBlockingReads = false;
    m_writeTimeout = false;
    m_baud = baud;
    m_unsentBytes = 0;
    m_lineFree = std::chrono::steady_clock::now();
    SaveLine();
    Configure(baud, parity, dataBits, stopBits, flow);
    m_foundSerialFlags = RequestLowLatency(fd);
}

void CSerialPort::Line::SaveLine() {
    termios found{};
    if (tcgetattr(m_portHandle, &found) != 0)
        ThrowSerialException();
    m_foundSettings = found;
}

// Close puts the line back as Open found it, so that a terminal (COM1=/dev/tty) or the next
// program on the port is not left raw at our rate.
void CSerialPort::Line::RestoreLine() {
    if (m_foundSettings)
        tcsetattr(m_portHandle, TCSANOW, &*m_foundSettings);
    if (m_foundSerialFlags)
        RestoreSerialFlags(m_portHandle, *m_foundSerialFlags);
    m_foundSettings.reset();
    m_foundSerialFlags.reset();
}

void CSerialPort::Line::Configure(std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
                                  SerialStopBits stopBits, SerialFlowControl flow) {
    const termios before = *m_foundSettings;
    const speed_t speed = SpeedOf(baud);
    if (speed == 0)
        ThrowSerialException(EINVAL);
    termios t = before;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag = (t.c_cflag & ~CSIZE) | SizeOf(dataBits);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    SetFraming(t, before, parity, stopBits);
    SetFlow(t, before, flow);
    // TCSAFLUSH also drops input left from an earlier user: a freshly opened port starts empty, as
    // on a real line (a pseudo-terminal would otherwise keep it across the close).
    if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0 ||
        tcsetattr(m_portHandle, TCSAFLUSH, &t) != 0)
        ThrowSerialException();
    // tcsetattr succeeds when any part of the request was taken: read back what the device holds.
    termios check{};
    if (tcgetattr(m_portHandle, &check) != 0)
        ThrowSerialException();
    constexpr tcflag_t kChecked = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS;
    if (cfgetospeed(&check) != speed || (check.c_cflag & kChecked) != (t.c_cflag & kChecked))
        ThrowSerialException(EINVAL);
}

void CSerialPort::Line::Close() {
    if (m_portHandle < 0)
        return;
    // Let the last command leave the line before the descriptor goes (a vanished device fails
    // at once); the exclusive mode would otherwise outlive us on a device someone else holds.
    // Past the kernel's drain only an adapter's transmit FIFO can still hold bytes, so the wait for
    // their wire time is capped at a FIFO's worth: on a line faster than its nominal rate (a
    // pseudo-terminal) the close after a long update would otherwise wait for every byte sent.
    KernelDrain();
    const auto fifoGone =
        std::chrono::steady_clock::now() + std::chrono::microseconds(WireTimeUs(kAdapterFifoBytes, m_baud));
    std::this_thread::sleep_until(std::min(m_lineFree, fifoGone));
    RestoreLine();
    ioctl(m_portHandle, TIOCNXCL);
    {
        const CallTimeLimit limit(kCloseLimit);
        close(m_portHandle);
    }
    m_portHandle = -1;
    m_input.clear();
}

void CSerialPort::Line::CheckOpen() const {
    if (m_portHandle < 0)
        ThrowSerialException(EBADF);
}

// A device that went away (adapter pulled, pseudo-terminal closed) reports a hang-up or an error.
void CSerialPort::Line::CheckConnected(short events, int timeoutMs) {
    CheckOpen();
    pollfd p{m_portHandle, events, 0};
    int ready = 0;
    do {
        ready = poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0)
        ThrowSerialException();
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        throw CSerialException(kErrorPortMissing, EIO);
}

std::size_t CSerialPort::Line::Read(void* buffer, std::size_t count) {
    CheckOpen();
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t done = std::min(count, m_input.size());
    std::copy_n(m_input.begin(), done, bytes);
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(done));
    while (done < count) {
        const ssize_t got = read(m_portHandle, bytes + done, count - done);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno != EAGAIN)
            ThrowSerialException();
        if (m_nonBlockingReads)
            break; // the preset: return at once with what was there
        CheckConnected(POLLIN, -1);
    }
    return done;
}

bool CSerialPort::Line::WaitWritable(int timeoutMs) {
    CheckConnected(POLLOUT, timeoutMs);
    pollfd p{m_portHandle, POLLOUT, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLOUT);
}

// With the write time-out preset a write may take 1000 ms per byte plus 1000 ms; what is written
// by then is reported. Without it the write waits as long as it takes.
std::size_t CSerialPort::Line::Write(const void* buffer, std::size_t count) {
    CheckOpen();
    const auto limit = std::chrono::milliseconds(kWriteTimeoutPerByteMs * static_cast<long long>(count) +
                                                 kWriteTimeoutConstantMs);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = write(m_portHandle, bytes + done, count - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
            m_unsentBytes += static_cast<std::size_t>(put);
            m_lineFree = std::max(m_lineFree, std::chrono::steady_clock::now()) +
                         std::chrono::microseconds(WireTimeUs(static_cast<std::size_t>(put), m_baud));
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && errno != EAGAIN)
            ThrowSerialException();
        const int wait = m_writeTimeout ? MsUntil(deadline) : -1;
        if (wait == 0 || !WaitWritable(wait))
            break;
    }
    return done;
}

// The kernel has taken the bytes when Write returns, and every command is answered by the
// controller, which proves delivery; draining here would cost a scheduler tick per frame on USB
// adapters. Flush therefore only checks the port; Drain waits where timing depends on the bytes
// having left, and Close drains the line before it lets go.
void CSerialPort::Flush() {
    m_line->CheckOpen();
}

void CSerialPort::Line::Drain() {
    CheckOpen();
    if (const int error = KernelDrain(); error != 0) {
        errno = error;
        ThrowSerialException();
    }
    // Drivers that cannot tell when their output has gone (pseudo-terminals, some USB adapters)
    // return at once, so the wait lasts at least until the bytes' wire time has passed.
    std::this_thread::sleep_until(m_lineFree);
}

// Waits until the kernel has sent what was written since the last drain, for DrainLimitMs; past
// that the output is discarded. Returns 0, or the errno of a failed call.
int CSerialPort::Line::KernelDrain() {
    if (m_unsentBytes == 0)
        return 0;
    const CallTimeLimit limit(std::chrono::milliseconds(DrainLimitMs(m_unsentBytes, m_baud)));
    m_unsentBytes = 0;
    while (tcdrain(m_portHandle) != 0) {
        if (errno != EINTR)
            return errno;
        if (limit.Passed()) {
            tcflush(m_portHandle, TCOFLUSH);
            m_lineFree = std::chrono::steady_clock::now();
            return 0;
        }
    }
    return 0;
}

// FIONREAD fails with EIO once the device has gone (hung up), so the one call also notices that.
std::uint32_t CSerialPort::Line::BytesAvailable() {
    CheckOpen();
    int count = 0;
    if (ioctl(m_portHandle, FIONREAD, &count) != 0)
        ThrowSerialException();
    return static_cast<std::uint32_t>(count + m_input.size());
}

void CSerialPort::Line::SetNonBlockingReads() {
    CheckOpen();
    if (fcntl(m_portHandle, F_GETFL) < 0)
        ThrowSerialException();
    m_nonBlockingReads = true;
}

void CSerialPort::Line::SetWriteTimeout() {
    CheckOpen();
    if (fcntl(m_portHandle, F_GETFL) < 0)
        ThrowSerialException();
    m_writeTimeout = true;
}

void CSerialPort::Line::Purge(int queueSelector) {
    CheckOpen();
    if (queueSelector != TCOFLUSH)
        m_input.clear();
    if (tcflush(m_portHandle, queueSelector) != 0)
        ThrowSerialException();
}

void CSerialPort::AbortPendingReads() {
    m_line->Purge(TCIFLUSH);
}

void CSerialPort::DiscardInput() {
    m_line->Purge(TCIFLUSH);
}

// Bytes already queued are moved into our own buffer first, so that poll() sleeps until new ones
// come instead of returning at once for the ones already there.
void CSerialPort::Line::WaitForInput(std::uint32_t maxMs, std::uint32_t waiting) {
    CheckOpen();
    TakeQueuedInput();
    if (m_input.size() > waiting)
        return;
    CheckConnected(POLLIN, static_cast<int>(maxMs));
}

void CSerialPort::Line::TakeQueuedInput() {
    std::uint8_t chunk[kInputChunk];
    for (;;) {
        const ssize_t got = read(m_portHandle, chunk, sizeof chunk);
        if (got > 0) {
            m_input.insert(m_input.end(), chunk, chunk + got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno != EAGAIN)
            ThrowSerialException();
        return;
    }
}

CSerialPort::CSerialPort() : m_line(std::make_unique<Line>()) {}

CSerialPort::CSerialPort(const PortMap& map) : m_portMap(map), m_line(std::make_unique<Line>()) {}

CSerialPort::~CSerialPort() {
    m_line->Close();
}

void CSerialPort::Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
                       SerialStopBits stopBits, SerialFlowControl flow) {
    m_line->Close();
    const std::string path = m_portMap.DevicePath(port);
    if (path.empty())
        ThrowSerialException(kErrorPortMissing);
    m_line->Open(path, baud, parity, dataBits, stopBits, flow);
}

void CSerialPort::Close() {
    m_line->Close();
}

bool CSerialPort::IsOpen() const {
    return m_line->m_portHandle >= 0;
}

std::size_t CSerialPort::Read(void* buffer, std::size_t count) {
    return m_line->Read(buffer, count);
}

std::size_t CSerialPort::Write(const void* buffer, std::size_t count) {
    return m_line->Write(buffer, count);
}

void CSerialPort::Drain() {
    m_line->Drain();
}

std::uint32_t CSerialPort::BytesAvailable() {
    return m_line->BytesAvailable();
}

void CSerialPort::SetNonBlockingReads() {
    m_line->SetNonBlockingReads();
}

void CSerialPort::SetWriteTimeout() {
    m_line->SetWriteTimeout();
}

void CSerialPort::WaitForInput(std::uint32_t maxMs, std::uint32_t waiting) {
    m_line->WaitForInput(maxMs, waiting);
}

std::string CSerialPort::DevicePath(int port) const {
    return m_portMap.DevicePath(port);
}

std::intptr_t CSerialPort::Handle() const {
    return m_line->m_portHandle;
}

} // namespace bf
