#include "bench/update/PacedRelay.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace bf::bench {

namespace {

constexpr std::uint64_t kBitsPerByte = 11; // start, 8 data, 2 stop
constexpr std::int64_t kIdleNs = 10'000'000;

std::int64_t NowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
}

std::uint32_t RateOf(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return 9600;
    switch (cfgetospeed(&t)) {
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 9600;
    }
}

void WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = write(fd, data, size);
        if (put < 0 && errno != EAGAIN && errno != EINTR)
            return;
        if (put > 0) {
            data += put;
            size -= static_cast<std::size_t>(put);
        }
    }
}

struct Due {
    std::int64_t atNs;
    std::uint8_t byte;
};

} // namespace

struct PacedRelay::Direction {
    int from;
    int to;
    std::deque<Due> line;
    std::int64_t lineFreeNs = 0;

    void Take(std::int64_t byteNs) {
        std::uint8_t buffer[4096];
        const ssize_t got = read(from, buffer, sizeof buffer);
        for (ssize_t i = 0; i < got; ++i) {
            lineFreeNs = std::max(lineFreeNs, NowNs()) + byteNs;
            line.push_back({lineFreeNs, buffer[i]});
        }
    }
    // Time until the burst on the line has fully arrived.
    std::int64_t WaitNs(std::int64_t now) const {
        return line.empty() ? kIdleNs : std::max<std::int64_t>(0, line.back().atNs - now);
    }
    void Deliver(std::int64_t now) {
        if (line.empty() || line.back().atNs > now)
            return;
        std::uint8_t buffer[4096];
        while (!line.empty()) {
            std::size_t n = 0;
            for (; n < sizeof buffer && !line.empty(); ++n) {
                buffer[n] = line.front().byte;
                line.pop_front();
            }
            WriteAll(to, buffer, n);
        }
    }
};

PacedRelay::PacedRelay(const std::string& simPath) {
    m_sim = open(simPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    char name[128];
    if (m_sim < 0 || m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0)
        throw std::runtime_error("relay: cannot set up the terminals");
    m_path = name;
    m_keepOpen = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    MakeRaw(m_sim);
    MakeRaw(m_master);
    m_thread = std::thread([this] { Run(); });
}

PacedRelay::~PacedRelay() {
    m_stop = true;
    m_thread.join();
    for (int fd : {m_keepOpen, m_master, m_sim})
        if (fd >= 0)
            close(fd);
}

void PacedRelay::Run() {
    Direction toSim{m_master, m_sim, {}, 0};
    Direction toProgram{m_sim, m_master, {}, 0};
    while (!m_stop) {
        const std::int64_t now = NowNs();
        const timespec timeout{0, static_cast<long>(std::min(toSim.WaitNs(now), toProgram.WaitNs(now)))};
        pollfd fds[2]{{m_master, POLLIN, 0}, {m_sim, POLLIN, 0}};
        ppoll(fds, 2, &timeout, nullptr);
        const std::int64_t byteNs =
            static_cast<std::int64_t>(kBitsPerByte * 1'000'000'000ull / RateOf(m_master));
        if (fds[0].revents & POLLIN)
            toSim.Take(byteNs);
        if (fds[1].revents & POLLIN)
            toProgram.Take(byteNs);
        toSim.Deliver(NowNs());
        toProgram.Deliver(NowNs());
    }
}

} // namespace bf::bench
