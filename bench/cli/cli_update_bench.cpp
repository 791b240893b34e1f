// Times brenvaldor update of a full 1 MiB image against brenvaldor-sim without pacing, as a whole
// process, next to the same update run in this process (the operation alone), in the same run:
//   - the in-process update: its write phase and its total;
//   - brenvaldor update: its write phase (from the arrival of its log lines), its whole-process
//     time, and the whole-process time of `brenvaldor --version` (start-up and exit);
//   - the command line's overhead: (process - start-up - in-process total) / in-process total.
// It prints figures and never fails on a timing.
//
//   cli_update_bench [rounds]    (default 3; the best round of each counts, the machine is shared)

#include "bench/BenchSupport.h"
#include "firmware/FlashUpdate.h"
#include "serial/CSerialPort.h"
#include "tests/e2e/SimProcess_posix.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using bf::test::SimProcess;
using Seconds = std::chrono::duration<double>;

constexpr char kRate[] = "57600";

double Now() {
    return Seconds(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class TimingHost final : public bf::bench::QuietHost {
  public:
    void AppendLog(std::string_view line) override { times[std::string(line)] = Now(); }
    std::map<std::string, double> times;
};

struct Figures {
    double writePhase = 0;
    double total = 0;
    bool ok = false;
};

Figures InProcess(const std::string& terminal, bf::FirmwareImage& image, const bf::ImageState& state) {
    bf::CSerialPort port;
    bf::PortMap map;
    map.Override(1, terminal);
    port.SetPortMap(map);
    TimingHost host;
    bf::SteadyClock clock;
    bf::PortSettings settings{1, std::atoi(kRate), 0};
    bf::Session session{host, clock, port, settings};
    const double start = Now();
    bf::UpdateProgram(session, image, state);
    Figures f;
    f.total = Now() - start;
    f.ok = host.times.count("CHECKSUM OK") != 0;
    if (f.ok)
        f.writePhase = host.times.at("VERIFY CHECKSUM") - host.times.at("UPDATE PROGRAM");
    return f;
}

// Runs brenvaldor with `args`, noting when each line of its standard output arrived.
Figures Process(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> all{BF_CLI_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const double start = Now();
    const bool spawned = posix_spawn(&pid, BF_CLI_PROGRAM, &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::map<std::string, double> times;
    std::string pending;
    char buffer[4096];
    for (ssize_t n; spawned && (n = read(out[0], buffer, sizeof buffer)) > 0;) {
        const double at = Now();
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
            times[pending.substr(0, end)] = at;
    }
    close(out[0]);
    int status = 1;
    if (spawned)
        waitpid(pid, &status, 0);
    Figures f;
    f.total = Now() - start;
    f.ok = spawned && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (times.count("UPDATE PROGRAM") && times.count("VERIFY CHECKSUM"))
        f.writePhase = times.at("VERIFY CHECKSUM") - times.at("UPDATE PROGRAM");
    return f;
}

std::unique_ptr<bf::FirmwareImage> FullImage(bf::ImageState& state, const std::string& path) {
    auto image = std::make_unique<bf::FirmwareImage>();
    image->ClearImage();
    for (std::uint32_t i = 0; i < bf::FirmwareImage::kFlashSize; ++i)
        image->data()[i] = static_cast<std::uint8_t>((i * 31 + (i >> 9)) % 255);
    image->MarkNonBlankSectors();
    state = {image->CountEraseFrames(), image->CountWriteFrames(), true};
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image->data()), bf::FirmwareImage::kFlashSize);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    char folder[] = "/tmp/bf-cli-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string file = std::string(folder) + "/full.bin";
    bf::ImageState state;
    auto image = FullImage(state, file);
    std::printf("brenvaldor update of a full image: %d frames, %d erases, %s bit/s, no pacing, best of %d\n",
                state.m_nBlocksToWrite, state.m_nBlocksToErase, kRate, rounds);
    Figures inProcess, cli, startup;
    for (int round = 0; round < rounds; ++round) {
        Figures a, b;
        {
            SimProcess sim;
            a = InProcess(sim.Path(), *image, state);
        }
        {
            SimProcess sim;
            b = Process({"update", file, "--port", sim.Path(), "--baud", kRate, "--quiet"});
        }
        const Figures s = Process({"--version"});
        std::printf("  round %d: in process %.3f s (write phase %.3f s)%s, brenvaldor %.3f s (write phase "
                    "%.3f s)%s, start-up %.4f s\n",
                    round + 1, a.total, a.writePhase, a.ok ? "" : " FAILED", b.total, b.writePhase,
                    b.ok ? "" : " FAILED", s.total);
        if (round == 0 || a.total < inProcess.total)
            inProcess = a;
        if (round == 0 || b.total < cli.total)
            cli = b;
        if (round == 0 || s.total < startup.total)
            startup = s;
    }
    std::printf("  in process, write phase      : %7.3f s\n", inProcess.writePhase);
    std::printf("  brenvaldor, write phase      : %7.3f s  (%+.1f%% against in process)\n", cli.writePhase,
                100 * (cli.writePhase / inProcess.writePhase - 1));
    std::printf("  in process, whole update     : %7.3f s\n", inProcess.total);
    std::printf("  brenvaldor, whole process    : %7.3f s\n", cli.total);
    std::printf("  brenvaldor --version process : %7.4f s  (start-up and exit)\n", startup.total);
    std::printf("  command-line overhead beyond start-up: %+.1f%%\n",
                100 * (cli.total - startup.total - inProcess.total) / inProcess.total);
    std::remove(file.c_str());
    rmdir(folder);
    return 0;
}
