// Processor time of the reply waits on the Windows serial port, against brenvaldor-sim on a COM
// port. The host pumps nothing, as at Priority High, so the figures are the port's own.
//
//   scripts/wine-run --prefix DIR --sim brenvaldor-sim wait_cpu_win.exe [blocks]   (default 3)
//
// 1. A silent 5-second reply wait: nothing is sent, so nothing comes.
// 2. The program backup's waits at 57600 bit/s: each block requested with FC nn, each 37-byte
//    packet awaited as the backup does, and the block's short end message waited out to the
//    2000 ms time-out with the message queued.

#include "bench/BenchSupport.h"
#include "link/Link.h"
#include "serial/CSerialException.h"
#include "serial/CSerialPort.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr std::uint32_t kSilentWaitMs = 5000;
constexpr std::uint32_t kPacketSize = 37;
constexpr int kBackupRate = 57600;

double ProcessCpuSeconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e7; // 100 ns units
}

// Wall and processor time of one piece of work, printed as a share of one core.
template <typename Work> void Measure(const char* what, Work work) {
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    const std::string detail = work();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = ProcessCpuSeconds() - cpu0;
    std::printf("%s: wall %.3f s  cpu %.3f s = %.2f %% of one core  %s\n", what, wall, cpu,
                100.0 * cpu / wall, detail.c_str());
}

// One block as the program backup reads it: packets until silence or a short reply.
int ReadBlock(bf::Session& s, std::uint8_t block) {
    const std::array<std::uint8_t, 2> request{bf::cmd::ReadBlock, block};
    bf::SendBytes(s, request.data(), request.size());
    int packets = 0;
    for (;;) {
        const bf::ReplyWait wait = bf::WaitForReply(s, kPacketSize, bf::timeout::Reply, true);
        if (wait.count == 0)
            return packets;
        std::array<std::uint8_t, kPacketSize> packet{};
        const std::size_t got = s.port.Read(packet.data(), std::min<std::size_t>(wait.count, kPacketSize));
        if (got < kPacketSize)
            return packets;
        ++packets;
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* com = std::getenv("BF_TEST_COM");
    if (!com) {
        std::fprintf(stderr, "wait_cpu_win: run through scripts/wine-run --sim (BF_TEST_COM is not set)\n");
        return 2;
    }
    const int port = std::atoi(com);
    const int blocks = argc > 1 ? std::atoi(argv[1]) : 3;
    bf::CSerialPort serial;
    bf::SteadyClock clock;
    bf::bench::QuietHost host;
    bf::PortSettings settings{port, kBackupRate, 0};
    bf::Session session{host, clock, serial, settings};
    try {
        bf::OpenStandard(serial, port);
        Measure("silent 5-second reply wait", [&] {
            const bf::ReplyWait wait = bf::WaitForReply(session, 1, kSilentWaitMs, false);
            return wait.count == 0 ? std::string("(nothing came: ok)") : std::string("(bytes came: FAILED)");
        });
        if (bf::Handshake(session) != 0 || bf::SwitchBaudRate(session, port, kBackupRate) != 0) {
            std::fprintf(stderr, "wait_cpu_win: the controller did not answer\n");
            return 1;
        }
        Measure("program backup's waits", [&] {
            int packets = 0;
            for (int block = 1; block <= blocks; ++block)
                packets += ReadBlock(session, static_cast<std::uint8_t>(block));
            return std::to_string(blocks) + " blocks, " + std::to_string(packets) + " packets of 37 bytes";
        });
    } catch (const bf::CSerialException& e) {
        std::fprintf(stderr, "wait_cpu_win: serial port error %u: %s\n", static_cast<unsigned>(e.m_errorCode),
                     e.what());
        return 1;
    }
    return 0;
}
