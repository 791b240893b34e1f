// Times a full 28-port search (AutodetectPort) through the real serial port. Every port is a
// pseudo-terminal that answers each probe at once with a wrong byte, so the search visits all 28
// and its time is what opening, checking, probing and closing the ports cost, not reply waits.
//
//   port_search_time [rounds]    (default 10)

#include "bench/BenchSupport.h"
#include "link/PortSearch.h"
#include "serial/CSerialPort.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPorts = 28;

// The far ends of 28 terminals; a thread answers whatever arrives with one byte 0x55.
class WrongAnswerLines {
  public:
    WrongAnswerLines() {
        for (int i = 0; i < kPorts; ++i) {
            const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            char name[128];
            if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
                ptsname_r(master, name, sizeof name) != 0)
                throw std::runtime_error("pseudo-terminal");
            m_masters.push_back(master);
            m_paths.emplace_back(name);
        }
        m_thread = std::thread([this] { Run(); });
    }
    ~WrongAnswerLines() {
        m_stop = true;
        m_thread.join();
        for (int fd : m_masters)
            close(fd);
    }
    const std::vector<std::string>& Paths() const { return m_paths; }

  private:
    void Run() {
        std::vector<pollfd> polls;
        for (int fd : m_masters)
            polls.push_back({fd, POLLIN, 0});
        while (!m_stop) {
            if (poll(polls.data(), polls.size(), 20) <= 0)
                continue;
            for (pollfd& p : polls) {
                std::uint8_t buffer[256];
                if ((p.revents & POLLIN) && read(p.fd, buffer, sizeof buffer) > 0) {
                    const std::uint8_t wrong = 0x55;
                    (void)!write(p.fd, &wrong, 1);
                }
            }
        }
    }

    std::vector<int> m_masters;
    std::vector<std::string> m_paths;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class SearchHost final : public bf::bench::QuietHost {
  public:
    void AppendLog(std::string_view) override { ++lines; }
    int lines = 0;
};

int CountProcesses() {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        n += !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    }
    return n;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    WrongAnswerLines lines;
    bf::CSerialPort port;
    bf::PortMap map;
    for (int n = 1; n <= kPorts; ++n)
        map.Override(n, lines.Paths()[static_cast<std::size_t>(n - 1)]);
    port.SetPortMap(map);
    SearchHost host;
    bf::SteadyClock clock;
    bf::PortSettings settings{0, 9600, 1};
    bf::Session session{host, clock, port, settings};

    std::printf("28-port search, every port answering at once with a wrong byte; %d processes running\n",
                CountProcesses());
    double best = 1e9;
    double sum = 0;
    double cpuSum = 0;
    for (int round = 0; round < rounds; ++round) {
        host.lines = 0;
        const double cpu0 = bf::bench::CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        bf::AutodetectPort(session);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpuSum += bf::bench::CpuSeconds() - cpu0;
        best = std::min(best, s);
        sum += s;
        if (host.lines != kPorts + 1)
            std::printf("  round %d: %d log lines, expected %d\n", round, host.lines, kPorts + 1);
    }
    std::printf("28-port search: best %.2f ms  mean %.2f ms  cpu mean %.2f ms  over %d rounds\n", best * 1e3,
                sum / rounds * 1e3, cpuSum / rounds * 1e3, rounds);
    return 0;
}
