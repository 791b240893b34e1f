// settings_file [max KiB] [folder]: reads and writes settings files whose [Setup] section holds
// many extra lines, as the window does at start and at close, and prints the time of each. The
// figures grow with the file size when reading and writing are linear, and with its square when
// they are not. The close flushes the file to the disk; a folder on a memory file system (/dev/shm)
// shows the time without the disk.
#include "bench/BenchSupport.h"
#include "core/SetupSettings.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using WallClock = std::chrono::steady_clock;

struct Timing {
    double wallMs;
    double cpuMs;
};

template <typename F> Timing Measure(F&& run) {
    const auto wallStart = WallClock::now();
    const double cpuStart = bf::bench::CpuSeconds();
    run();
    return {std::chrono::duration<double, std::milli>(WallClock::now() - wallStart).count(),
            (bf::bench::CpuSeconds() - cpuStart) * 1000.0};
}

// A [Setup] section of `bytes` bytes of notes, the three keys at its end, then a [Ports] section.
std::string SettingsText(std::size_t bytes) {
    std::string text = "[Setup]\n";
    for (int i = 0; text.size() < bytes; ++i)
        text += "Note" + std::to_string(i) + "=kept by hand\n";
    text += "SerialPort=3\nSerialPortAuto=0\nSerialBaudRate=19200\n\n[Ports]\nCOM5=/dev/ttyUSB0\n";
    return text;
}

// What the window does when it opens.
int Start(const std::string& path) {
    const bf::IniFile ini = bf::IniFile::Load(path);
    return bf::settings::ReadPortChoice(ini) + bf::settings::ReadBaudRate(ini) +
           static_cast<int>(bf::settings::ReadPortOverrides(ini).size());
}

// What the window does when it closes.
bool Close(const std::string& path) {
    bf::IniFile ini = bf::IniFile::Load(path);
    bf::settings::WriteSetup(ini, bf::PortSettings{4, 57600, 0});
    return ini.Save(path);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t maxKiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
    const std::filesystem::path base = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
    std::string pattern = (base / "bf-settings-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const std::filesystem::path dir = pattern;
    const std::string path = (dir / "BrenvaldorFlash.ini").string();

    std::printf("%10s %8s %14s %14s %14s %14s\n", "bytes", "lines", "start wall ms", "start cpu ms",
                "close wall ms", "close cpu ms");
    for (std::size_t kib = 16; kib <= maxKiB; kib *= 2) {
        const std::string text = SettingsText(kib * 1000);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        int sink = 0;
        const Timing start = Measure([&] { sink = Start(path); });
        bool saved = false;
        const Timing close = Measure([&] { saved = Close(path); });
        std::size_t lines = 0;
        for (char c : text)
            lines += c == '\n';
        std::printf("%10zu %8zu %14.2f %14.2f %14.2f %14.2f%s\n", text.size(), lines, start.wallMs,
                    start.cpuMs, close.wallMs, close.cpuMs,
                    sink == 3 + 19200 + 1 && saved ? "" : "  (settings not read or not written!)");
    }
    std::filesystem::remove_all(dir);
    return 0;
}
