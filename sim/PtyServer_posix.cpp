#include "sim/PtyServer.h"

#include "serial/LineTiming.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <system_error>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace bf::sim {

namespace {

constexpr int kIdlePollMs = 100;
constexpr auto kNobodyThereNap = std::chrono::milliseconds(5);
constexpr std::size_t kReadChunk = 4096;

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::uint32_t RateOf(speed_t speed) {
    switch (speed) {
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

// The terminal starts raw at 9600 bit/s, so nothing is echoed before a program configures it.
void PrepareTerminal(int master) {
    termios t{};
    if (tcgetattr(master, &t) != 0)
        ThrowErrno("tcgetattr");
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    if (tcsetattr(master, TCSANOW, &t) != 0)
        ThrowErrno("tcsetattr");
}

} // namespace

PtyServer::PtyServer(ControllerModel& model, Settings settings)
    : m_model(model), m_settings(std::move(settings)) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        ThrowErrno("posix_openpt");
    char name[128];
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 || ptsname_r(m_master, name, sizeof name) != 0) {
        close(m_master);
        ThrowErrno("pseudo-terminal");
    }
    m_terminalPath = name;
    PrepareTerminal(m_master);
    // symlink() never replaces what is there: an existing file, device or link is left alone.
    if (!m_settings.linkPath.empty() && symlink(m_terminalPath.c_str(), m_settings.linkPath.c_str()) != 0) {
        close(m_master);
        ThrowErrno(("cannot make the link " + m_settings.linkPath).c_str());
    }
}

PtyServer::~PtyServer() {
    if (OwnsLink())
        unlink(m_settings.linkPath.c_str());
    if (m_master >= 0)
        close(m_master);
}

// The link path still holds the link this server made: someone may have replaced it meanwhile.
bool PtyServer::OwnsLink() const {
    std::error_code ec;
    return std::filesystem::read_symlink(m_settings.linkPath, ec) == m_terminalPath;
}

std::uint64_t PtyServer::NowUs() const {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

// The speed the program set on its end of the terminal (termios calls on the master reach it).
std::uint32_t PtyServer::TerminalRate() const {
    termios t{};
    if (tcgetattr(m_master, &t) != 0)
        return 0;
    return RateOf(cfgetospeed(&t));
}

void PtyServer::Run(const volatile std::sig_atomic_t& stop) {
    std::vector<Output> outputs;
    while (!stop && !m_model.linkDropped) {
        pollfd p{m_master, static_cast<short>(POLLIN | (m_unsent.empty() ? 0 : POLLOUT)), 0};
        if (poll(&p, 1, PollTimeoutMs()) < 0 && errno != EINTR)
            ThrowErrno("poll");
        const bool gotInput = (p.revents & POLLIN) && ReadInput();
        HearDue(); // what the program sent before it closed is still on its way
        if (!gotInput && (p.revents & POLLHUP)) {
            Disconnected();
            std::this_thread::sleep_for(kNobodyThereNap);
            continue;
        }
        outputs.clear();
        m_model.Idle(static_cast<std::uint32_t>(NowUs() / 1000), outputs);
        Enqueue(outputs);
        SendDue();
    }
    if (m_model.linkDropped) {
        close(m_master); // the device vanishes for whoever has the terminal open
        m_master = -1;
    }
}

int PtyServer::PollTimeoutMs() const {
    if (!m_unsent.empty() || m_model.faults.stream)
        return 1;
    if (m_pending.empty() && m_incoming.empty())
        return kIdlePollMs;
    std::uint64_t due = UINT64_MAX;
    if (!m_pending.empty())
        due = m_pending.front().dueUs;
    if (!m_incoming.empty())
        due = std::min(due, m_incoming.front().dueUs);
    const std::uint64_t now = NowUs();
    return due <= now ? 0 : static_cast<int>((due - now + 999) / 1000);
}

// Nobody has the terminal open: what the controller was about to send is lost.
void PtyServer::Disconnected() {
    m_pending.clear();
    m_unsent.clear();
}

// False when nothing could be read (EIO once the other end has closed).
bool PtyServer::ReadInput() {
    std::uint8_t buffer[kReadChunk];
    const ssize_t got = read(m_master, buffer, sizeof buffer);
    if (got <= 0)
        return false;
    if (m_settings.rateCheck && TerminalRate() != m_model.baudRate)
        return true; // at another speed the controller hears only garbage
    const std::uint64_t now = NowUs();
    if (!m_settings.pace) {
        Hear(buffer, static_cast<std::size_t>(got), now);
        return true;
    }
    // The terminal hands over at once what a real line delivers byte after byte.
    const std::uint64_t byteUs = WireTimeUs(1, TerminalRate() ? TerminalRate() : m_model.baudRate);
    for (ssize_t i = 0; i < got; ++i) {
        m_inLineFreeUs = std::max(m_inLineFreeUs, now) + byteUs;
        m_incoming.push_back({m_inLineFreeUs, buffer[i], 0});
    }
    HearDue();
    return true;
}

void PtyServer::Hear(const std::uint8_t* bytes, std::size_t count, std::uint64_t atUs) {
    std::vector<Output> outputs;
    m_model.Receive(bytes, count, static_cast<std::uint32_t>(atUs / 1000), outputs);
    Enqueue(outputs);
}

void PtyServer::HearDue() {
    const std::uint64_t now = NowUs();
    while (!m_incoming.empty() && m_incoming.front().dueUs <= now) {
        Hear(&m_incoming.front().byte, 1, m_incoming.front().dueUs);
        m_incoming.pop_front();
    }
}

void PtyServer::Enqueue(const std::vector<Output>& outputs) {
    const std::uint64_t now = NowUs();
    for (const Output& output : outputs) {
        const std::uint64_t ready = now + output.delayMs * 1000ull;
        const std::uint64_t byteUs = WireTimeUs(1, output.baud);
        for (std::uint8_t byte : output.bytes) {
            std::uint64_t due = ready;
            if (m_settings.pace) {
                m_lineFreeUs = std::max(m_lineFreeUs, ready) + byteUs;
                due = m_lineFreeUs;
            }
            const auto at = std::upper_bound(m_pending.begin(), m_pending.end(), due,
                                             [](std::uint64_t d, const Pending& p) { return d < p.dueUs; });
            m_pending.insert(at, {due, byte, output.baud});
        }
    }
}

void PtyServer::SendDue() {
    const std::uint64_t now = NowUs();
    const std::uint32_t rate = m_settings.rateCheck ? TerminalRate() : 0;
    while (!m_pending.empty() && m_pending.front().dueUs <= now) {
        if (!m_settings.rateCheck || m_pending.front().baud == rate)
            m_unsent.push_back(m_pending.front().byte);
        m_pending.pop_front();
    }
    if (m_unsent.empty())
        return;
    const ssize_t put = write(m_master, m_unsent.data(), m_unsent.size());
    if (put > 0)
        m_unsent.erase(m_unsent.begin(), m_unsent.begin() + put);
}

} // namespace bf::sim
