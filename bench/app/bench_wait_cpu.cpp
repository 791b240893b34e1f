// Runs 10-second waits of the window on the real clock and prints the processor time they used: a
// pumping wait (WaitPumping), and a reply wait (WaitForReply) on a line where nobody answers, which
// pumps the window once per pass.
#include "bench/BenchSupport.h"
#include "bench/app/ShownWindow.h"
#include "link/Link.h"
#include "link/Session.h"
#include "serial/CSerialPort.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace {

void Measure(const char* what, const std::function<void()>& wait) {
    const double cpu0 = bf::bench::CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    wait();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = bf::bench::CpuSeconds() - cpu0;
    std::printf("%-34s wall %.3f s  cpu %.3f s  = %.2f %% of one core\n", what, wall, cpu,
                100.0 * cpu / wall);
}

// The far end of a terminal that never answers; empty when none could be had.
std::string SilentTerminal(int& master) {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0)
        return {};
    return name;
}

} // namespace

int main(int argc, char* argv[]) {
    bf::bench::DefaultToOffscreen();
    QApplication app(argc, argv);
    const std::uint32_t ms = argc > 1 ? static_cast<std::uint32_t>(std::atoi(argv[1])) : 10000;
    bf::bench::ShownWindow shown;
    bf::CFlashToolDlg& window = shown.window;
    Measure("WaitPumping", [&] { window.WaitPumping(ms); });

    int master = -1;
    const std::string terminal = SilentTerminal(master);
    if (terminal.empty()) {
        std::printf("no pseudo-terminal for the reply wait\n");
        return 1;
    }
    bf::CSerialPort port;
    bf::PortMap map;
    map.Override(1, terminal);
    port.SetPortMap(map);
    bf::PortSettings settings{1, 9600, 0};
    bf::Session session{window, shown.clock, port, settings};
    bf::OpenStandard(port, 1);
    Measure("WaitForReply on a silent line", [&] { bf::WaitForReply(session, 1, ms, false); });
    port.Close();
    close(master);
    return 0;
}
