// Runs a 10-second pumping wait on the real clock and prints the processor time it used.
#include "BenchSupport.h"
#include "CFlashToolDlg.h"
#include "ModuleOperations.h"
#include "QtPrompter.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

void Measure(const char* what, bf::CFlashToolDlg& window, std::uint32_t ms, bool pumpOnly) {
    const double cpu0 = bf::bench::CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    long steps = 0;
    if (pumpOnly) {
        // A polling loop as the reply waits run it: one pump step per pass.
        while (std::chrono::steady_clock::now() - wall0 < std::chrono::milliseconds(ms)) {
            window.PumpMessages();
            ++steps;
        }
    } else {
        window.WaitPumping(ms);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = bf::bench::CpuSeconds() - cpu0;
    std::printf("%-34s wall %.3f s  cpu %.3f s  = %.2f %% of one core", what, wall, cpu, 100.0 * cpu / wall);
    if (pumpOnly)
        std::printf("  (%ld pump steps)", steps);
    std::printf("\n");
}
} // namespace

int main(int argc, char* argv[]) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::uint32_t ms = argc > 1 ? static_cast<std::uint32_t>(std::atoi(argv[1])) : 10000;
    bf::QtPrompter prompter;
    bf::ModuleOperations operations;
    bf::SteadyClock clock;
    bf::CFlashToolDlg window(prompter, operations, clock, "/nonexistent/BrenvaldorFlash.ini");
    window.show();
    QApplication::processEvents();
    Measure("WaitPumping", window, ms, false);
    Measure("PumpMessages loop (port closed)", window, ms, true);
    return 0;
}
