// Processor time of a full program backup (sectors 1 to 18, 18 blocks, each ended by a 2000 ms
// reply wait with a short message queued) against brenvaldor-sim on a pseudo-terminal, through the
// real serial port. The host pumps nothing, as at Priority High, so the figure is the link's own.
//
//   backup_cpu [rate]    (default 57600)

#include "bench/BenchSupport.h"
#include "firmware/ProgramBackup.h"
#include "serial/CSerialPort.h"
#include "tests/e2e/SimProcess_posix.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class BackupHost final : public bf::bench::QuietHost {
  public:
    explicit BackupHost(std::string target) : m_target(std::move(target)) {}
    std::optional<std::string> AskSaveFileName(const std::vector<bf::FileFilter>&) override {
        return m_target;
    }
    void AppendLog(std::string_view line) override { lastLine = line; }
    void ShowMessageBox(std::string_view text, std::string_view caption, bf::BoxIcon) override {
        std::printf("  box: %.*s / %.*s\n", static_cast<int>(caption.size()), caption.data(),
                    static_cast<int>(text.size()), text.data());
    }
    std::string lastLine;

  private:
    std::string m_target;
};

} // namespace

int main(int argc, char** argv) {
    const int rate = argc > 1 ? std::atoi(argv[1]) : 57600;
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("bf-backup-cpu-" + std::to_string(getpid()) + ".bin");
    bf::test::SimProcess sim;
    bf::CSerialPort port;
    bf::PortMap map;
    map.Override(1, sim.Path());
    port.SetPortMap(map);
    BackupHost host(file.string());
    bf::SteadyClock clock;
    bf::PortSettings settings{1, rate, 0};
    bf::Session session{host, clock, port, settings};

    const double cpu0 = bf::bench::CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    bf::BackupProgram(session);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = bf::bench::CpuSeconds() - cpu0;
    const double simCpu = sim.Stop();
    const bool ok = host.lastLine == "SERIAL PORT CLOSED" && std::filesystem::exists(file);
    std::filesystem::remove(file);
    std::printf("full program backup at %d bit/s: wall %.3f s  cpu %.3f s = %.2f %% of one core  (sim cpu "
                "%.3f s)  %s\n",
                rate, wall, cpu, 100.0 * cpu / wall, simCpu, ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
