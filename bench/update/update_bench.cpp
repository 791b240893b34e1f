// Times the flash update against brenvaldor-sim on a pseudo-terminal, through the real serial port:
//   1. a full 1 MiB image (32,768 frames, 19 erases, verification) without pacing, next to a plain
//      write/poll()/read loop of the same 32,768 frames;
//   2. a 64 KiB image at 57600 bit/s on a line that takes its wire time in both directions,
//      against the wire-time limit of its write phase;
//   3. the processor time of a silent 5-second reply wait.
// It prints figures and never fails on a timing.
//
//   update_bench [rounds]    (default 3; the best round of measurement 1 counts)

#include "bench/BenchSupport.h"
#include "bench/update/PacedRelay.h"
#include "firmware/FlashUpdate.h"
#include "link/Link.h"
#include "serial/CSerialPort.h"
#include "tests/e2e/SimProcess_posix.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

using bf::test::SimProcess;
using Seconds = std::chrono::duration<double>;

constexpr std::uint32_t kFastRate = 57600;
constexpr double kFrameBits = 38 * 11; // 37-byte frame out, one byte back, 11 bits each

double Now() {
    return Seconds(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A window without a window: notes when each log line came, pumps nothing (as at Priority High,
// so the figures are the link's own), answers no dialog.
class TimingHost final : public bf::bench::QuietHost {
  public:
    void AppendLog(std::string_view line) override { lineTimes[std::string(line)] = Now(); }
    void ClearLog() override { lineTimes.clear(); }
    void ShowMessageBox(std::string_view text, std::string_view caption, bf::BoxIcon) override {
        std::printf("  box: %.*s / %.*s\n", static_cast<int>(caption.size()), caption.data(),
                    static_cast<int>(text.size()), text.data());
    }

    double Between(const char* from, const char* to) const { return lineTimes.at(to) - lineTimes.at(from); }
    bool Has(const char* line) const { return lineTimes.count(line) != 0; }

    std::map<std::string, double> lineTimes;
};

// An image of `size` non-blank bytes from image offset `offset`, counted as Open counts it.
std::unique_ptr<bf::FirmwareImage> MakeImage(std::uint32_t offset, std::uint32_t size,
                                             bf::ImageState& state) {
    auto image = std::make_unique<bf::FirmwareImage>();
    image->ClearImage();
    for (std::uint32_t i = 0; i < size; ++i) {
        image->data()[offset + i] = static_cast<std::uint8_t>((i * 31 + (i >> 9)) % 255);
        image->MarkSector(bf::FirmwareImage::kBaseAddress + offset + i);
    }
    state = {image->CountEraseFrames(), image->CountWriteFrames(), true};
    return image;
}

struct UpdateFigures {
    double total = 0;
    double writePhase = 0;
    double cpu = 0;
    double simCpu = 0;
    bool ok = false;
};

UpdateFigures RunUpdate(const std::string& path, bf::FirmwareImage& image, const bf::ImageState& state) {
    bf::CSerialPort port;
    bf::PortMap map;
    map.Override(1, path);
    port.SetPortMap(map);
    TimingHost host;
    bf::SteadyClock clock;
    bf::PortSettings settings{1, static_cast<std::int32_t>(kFastRate), 0};
    bf::Session session{host, clock, port, settings};
    UpdateFigures f;
    const double cpu = bf::bench::CpuSeconds();
    const double start = Now();
    bf::UpdateProgram(session, image, state);
    f.total = Now() - start;
    f.cpu = bf::bench::CpuSeconds() - cpu;
    f.ok = host.Has("CHECKSUM OK");
    if (f.ok)
        f.writePhase = host.Between("UPDATE PROGRAM", "VERIFY CHECKSUM");
    return f;
}

// The baseline: the same frames through a bare descriptor, one poll() and one read() per answer.
bool PlainLoop(const std::string& path, bf::FirmwareImage& image, int& frames) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    std::uint8_t frame[bf::FirmwareImage::kWriteFrameSize];
    bool ok = true;
    frames = 0;
    for (bool more = image.NextWriteFrame(frame, true); more && ok;
         more = image.NextWriteFrame(frame, false)) {
        std::uint8_t ack = 0;
        pollfd p{fd, POLLIN, 0};
        ok = write(fd, frame, sizeof frame) == static_cast<ssize_t>(sizeof frame) && poll(&p, 1, 2000) == 1 &&
             read(fd, &ack, 1) == 1 && ack == 0x03;
        ++frames;
    }
    close(fd);
    return ok;
}

struct PlainFigures {
    double seconds = 0;
    double cpu = 0;
    double simCpu = 0;
    int frames = 0;
    bool ok = false;
};

PlainFigures RunPlain(bf::FirmwareImage& image) {
    SimProcess sim;
    PlainFigures p;
    const double cpu = bf::bench::CpuSeconds();
    const double start = Now();
    p.ok = PlainLoop(sim.Path(), image, p.frames);
    p.seconds = Now() - start;
    p.cpu = bf::bench::CpuSeconds() - cpu;
    p.simCpu = sim.Stop();
    return p;
}

// Each round runs the plain loop and the update against fresh simulators; the best of each counts,
// as the machine is shared.
void FullImage(int rounds) {
    bf::ImageState state;
    auto image = MakeImage(0, bf::FirmwareImage::kFlashSize, state);
    const double n = state.m_nBlocksToWrite;
    std::printf("1. Full image: %d frames, %d erases, %u bit/s, no pacing, best of %d rounds\n",
                state.m_nBlocksToWrite, state.m_nBlocksToErase, kFastRate, rounds);
    PlainFigures plain;
    UpdateFigures update;
    for (int round = 0; round < rounds; ++round) {
        const PlainFigures p = RunPlain(*image);
        SimProcess sim;
        UpdateFigures f = RunUpdate(sim.Path(), *image, state);
        f.simCpu = sim.Stop();
        std::printf("  round %d: plain %.3f s%s, update write phase %.3f s, total %.3f s%s\n", round + 1,
                    p.seconds, p.ok ? "" : " (FAILED)", f.writePhase, f.total, f.ok ? "" : " (FAILED)");
        if (round == 0 || p.seconds < plain.seconds)
            plain = p;
        if (round == 0 || f.writePhase < update.writePhase)
            update = f;
    }
    std::printf("  plain write/poll/read loop : %7.3f s  %6.1f us/frame  cpu %6.3f s  sim cpu %6.3f s\n",
                plain.seconds, plain.seconds * 1e6 / plain.frames, plain.cpu, plain.simCpu);
    std::printf("  update, write phase        : %7.3f s  %6.1f us/frame  (%.2fx the plain loop)\n",
                update.writePhase, update.writePhase * 1e6 / n, update.writePhase / plain.seconds);
    std::printf(
        "  update, total              : %7.3f s  cpu %6.3f s (%4.1f%% of one core)  sim cpu %6.3f s\n",
        update.total, update.cpu, 100 * update.cpu / update.total, update.simCpu);
}

void PacedImage() {
    bf::ImageState state;
    auto image = MakeImage(0x10000, 0x10000, state);
    const double limit = state.m_nBlocksToWrite * kFrameBits / kFastRate;
    std::printf("2. 64 KiB image: %d frames at %u bit/s 8N2, paced both ways\n", state.m_nBlocksToWrite,
                kFastRate);
    SimProcess sim({"--no-rate-check"});
    UpdateFigures f;
    {
        bf::bench::PacedRelay relay(sim.Path());
        f = RunUpdate(relay.Path(), *image, state);
    }
    f.simCpu = sim.Stop();
    std::printf("  write phase %7.3f s, wire-time limit %7.3f s: ratio %.3f\n", f.writePhase, limit,
                f.writePhase / limit);
    std::printf("  total %7.3f s  cpu %6.3f s  sim cpu %6.3f s  %s\n", f.total, f.cpu, f.simCpu,
                f.ok ? "CHECKSUM OK" : "FAILED");
}

void SilentWait() {
    SimProcess sim({"--silent"});
    bf::CSerialPort port;
    bf::PortMap map;
    map.Override(1, sim.Path());
    port.SetPortMap(map);
    TimingHost host;
    bf::SteadyClock clock;
    bf::PortSettings settings{1, 9600, 0};
    bf::Session session{host, clock, port, settings};
    bf::OpenStandard(port, 1);
    bf::SendBytes(session, &bf::cmd::Handshake, 1);
    const double cpu = bf::bench::CpuSeconds();
    const double start = Now();
    const bf::ReplyWait wait = bf::WaitForReply(session, 1, bf::timeout::Handshake, false);
    const double seconds = Now() - start;
    const double used = bf::bench::CpuSeconds() - cpu;
    port.Close();
    std::printf("3. Silent reply wait: %.3f s, %u bytes, cpu %.3f s = %.1f%% of one core\n", seconds,
                wait.count, used, 100 * used / seconds);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    FullImage(rounds);
    PacedImage();
    SilentWait();
    return 0;
}
