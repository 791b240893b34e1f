// Times the write-frame ping-pong of a flash update (37-byte frame out, one acknowledgement byte
// back) against brenvaldor-sim on a pseudo-terminal: through CSerialPort and the link primitives as
// the update uses them, and through a plain poll()/read() loop as the baseline.
//
//   pty_roundtrip [frames] [rounds]    (defaults: 32768 frames = 1 MiB, 3 rounds; the best round counts)

#include "bench/BenchSupport.h"
#include "link/Link.h"
#include "serial/CSerialPort.h"
#include "tests/e2e/SimProcess_posix.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using bf::test::SimProcess;

constexpr int kDefaultFrames = 32768;
constexpr int kDefaultRounds = 3;
constexpr std::uint32_t kFlashBase = 0x100000;

std::vector<std::uint8_t> Frame(int index) {
    const std::uint32_t address = kFlashBase + static_cast<std::uint32_t>(index) * 32;
    std::vector<std::uint8_t> frame{0xF3, static_cast<std::uint8_t>(address >> 16),
                                    static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address)};
    for (int i = 0; i < 32; ++i)
        frame.push_back(static_cast<std::uint8_t>(index * 7 + i));
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i)
        sum += frame[i];
    frame.push_back(static_cast<std::uint8_t>(~sum));
    return frame;
}

struct Result {
    double seconds = 0;
    double cpu = 0;
    double simCpu = 0;
    int acks = 0;
};

// Runs one variant against a fresh simulator (a blank flash).
Result Measure(int frames, const std::function<bool(const std::string&, int)>& run) {
    SimProcess sim;
    const double cpu = bf::bench::CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    Result r;
    r.acks = run(sim.Path(), frames) ? frames : 0;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpu = bf::bench::CpuSeconds() - cpu;
    r.simCpu = sim.Stop();
    return r;
}

bool PlainLoop(const std::string& path, int frames) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    bool ok = true;
    for (int i = 0; i < frames && ok; ++i) {
        const auto frame = Frame(i);
        ok = write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
        pollfd p{fd, POLLIN, 0};
        std::uint8_t ack = 0;
        ok = ok && poll(&p, 1, 2000) == 1 && read(fd, &ack, 1) == 1 && ack == 0x03;
    }
    close(fd);
    return ok;
}

bool LinkLoop(const std::string& path, int frames, bool drainEachFrame) {
    bf::CSerialPort port;
    bf::PortMap map;
    map.Override(1, path);
    port.SetPortMap(map);
    bf::bench::QuietHost host;
    bf::SteadyClock clock;
    bf::PortSettings settings;
    bf::Session s{host, clock, port, settings};
    bf::OpenStandard(port, 1);
    bool ok = true;
    for (int i = 0; i < frames && ok; ++i) {
        const auto frame = Frame(i);
        bf::SendBytes(s, frame.data(), frame.size());
        if (drainEachFrame)
            tcdrain(port.Handle());
        const bf::ReplyWait reply = bf::WaitForReply(s, 1, bf::timeout::Reply, true);
        std::uint8_t ack = 0;
        ok = reply.count == 1 && port.Read(&ack, 1) == 1 && ack == 0x03;
    }
    port.Close();
    return ok;
}

void Print(const char* name, int frames, const Result& r) {
    std::printf("%-34s %8.3f s %9.1f us/frame   cpu %6.3f s (%5.1f%%)   sim cpu %6.3f s   acks %d/%d\n", name,
                r.seconds, r.seconds * 1e6 / frames, r.cpu, 100.0 * r.cpu / r.seconds, r.simCpu, r.acks,
                frames);
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : kDefaultFrames;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : kDefaultRounds;
    if (frames <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: pty_roundtrip [frames] [rounds]\n");
        return 2;
    }
    std::printf("%d write frames of 37 bytes, each acknowledged, over a pseudo-terminal; %d rounds\n", frames,
                rounds);
    const std::vector<std::pair<const char*, std::function<bool(const std::string&, int)>>> variants{
        {"plain poll()/read() loop", PlainLoop},
        {"CSerialPort + WaitForReply", [](const std::string& p, int n) { return LinkLoop(p, n, false); }},
        {"CSerialPort + WaitForReply + tcdrain",
         [](const std::string& p, int n) { return LinkLoop(p, n, true); }},
    };
    std::vector<Result> best(variants.size());
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const Result r = Measure(frames, variants[v].second);
            Print(variants[v].first, frames, r);
            ok = ok && r.acks == frames;
            if (round == 0 || r.seconds < best[v].seconds)
                best[v] = r;
        }
    }
    std::printf("best of %d rounds:\n", rounds);
    for (std::size_t v = 0; v < variants.size(); ++v)
        Print(variants[v].first, frames, best[v]);
    std::printf("link / plain (best): %.2f x\n", best[1].seconds / best[0].seconds);
    return ok ? 0 : 1;
}
