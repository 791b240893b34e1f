// Times the first pass of a parameter update, which counts the lines of the chosen file and pumps
// the window's events after every line, on a 5,000-line file: the time from the command's start
// until it empties the log (the first thing it does once the count is done).
//
//   bench_count_lines [lines]    (default 5000)

#include "bench/BenchSupport.h"
#include "bench/app/ShownWindow.h"
#include "link/Session.h"
#include "params/ParameterUpdate.h"
#include "serial/CSerialPort.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

// The window's own pump step and progress display; the file dialog answers the test file, and the
// moment the log is emptied is noted. Nothing else is shown.
class CountingHost final : public bf::bench::QuietHost {
  public:
    CountingHost(bf::CFlashToolDlg& window, std::string file) : m_window(window), m_file(std::move(file)) {}
    std::optional<std::string> AskOpenFileName(const std::vector<bf::FileFilter>&) override { return m_file; }
    void PumpMessages() override { m_window.PumpMessages(); }
    void WaitPumping(std::uint32_t ms) override { m_window.WaitPumping(ms); }
    void UpdateProgress(int percent, int reset) override { m_window.UpdateProgress(percent, reset); }
    void ClearLog() override {
        if (!logEmptied)
            logEmptied = std::chrono::steady_clock::now();
    }
    std::optional<SteadyTime> logEmptied;

  private:
    bf::CFlashToolDlg& m_window;
    std::string m_file;
};

} // namespace

int main(int argc, char* argv[]) {
    bf::bench::DefaultToOffscreen();
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 5000;
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("bf-count-lines-" + std::to_string(getpid()) + ".txt");
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < lines; ++i)
            out << "PARAMETER_" << i << "=" << i % 97 << "\r\n";
    }
    bf::bench::ShownWindow shown;
    bf::CFlashToolDlg& window = shown.window;

    CountingHost host(window, file.string());
    bf::CSerialPort port;
    bf::PortSettings settings{0, 57600, 0}; // no port: the update stops right after the count
    bf::Session session{host, shown.clock, port, settings};
    const double cpu0 = bf::bench::CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    bf::ParameterUpdate(session);
    const double cpu = bf::bench::CpuSeconds() - cpu0;
    std::filesystem::remove(file);
    if (!host.logEmptied) {
        std::printf("the update never emptied the log\n");
        return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(*host.logEmptied - start).count();
    std::printf("line count of a %d-line file with the window's pump step: %.1f ms  (cpu for the whole "
                "command %.1f ms)\n",
                lines, ms, cpu * 1e3);
    return 0;
}
