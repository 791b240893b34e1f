// In-process figures of the firmware image: Open of a 1 MiB S-record file (32,768 records of 32
// bytes) through the same path as the window's Open, Open of the binary image, Save As, the block
// count and the sector checksums of a full image.
// usage: firmware_bench [benchmark flags] [file.hex]  (without a file, one is generated)
#include "bench/firmware/HeadlessHost.h"
#include "firmware/FirmwareCommands.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

std::string g_hexPath;
std::filesystem::path g_workDir;

void WriteGeneratedHex(const std::string& path) {
    std::mt19937 rng(7);
    std::ofstream out(path, std::ios::binary);
    char line[128];
    for (std::uint32_t address = 0x100000; address < 0x200000; address += 32) {
        std::uint8_t bytes[37] = {
            37, static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
            static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
        std::uint8_t sum = 0;
        int n = std::snprintf(line, sizeof line, "S3");
        for (int i = 0; i < 37; ++i) {
            if (i >= 5)
                bytes[i] = static_cast<std::uint8_t>(rng());
            sum = static_cast<std::uint8_t>(sum + bytes[i]);
            n += std::snprintf(line + n, sizeof line - n, "%02X", bytes[i]);
        }
        std::snprintf(line + n, sizeof line - n, "%02X\n", static_cast<std::uint8_t>(~sum));
        out << line;
    }
}

std::unique_ptr<bf::FirmwareImage> LoadedImage() {
    auto image = std::make_unique<bf::FirmwareImage>();
    bf::ImageState state;
    bf::bench::HeadlessHost host(g_hexPath, "");
    bf::OpenFirmware(host, *image, state);
    if (!state.loaded)
        std::abort();
    return image;
}

void BM_OpenHex(benchmark::State& st) {
    auto image = std::make_unique<bf::FirmwareImage>();
    bf::ImageState state;
    bf::bench::HeadlessHost host(g_hexPath, "");
    for (auto _ : st) {
        bf::OpenFirmware(host, *image, state);
        benchmark::DoNotOptimize(image->data());
    }
    if (!state.loaded || host.boxShown)
        st.SkipWithError("the file did not load");
    st.counters["blocks"] = state.m_nBlocksToWrite;
    st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(g_hexPath)));
}

void BM_OpenBin(benchmark::State& st) {
    auto image = LoadedImage();
    const std::string bin = (g_workDir / "image.bin").string();
    bf::bench::HeadlessHost saver("", bin);
    bf::SaveFirmwareAs(saver, *image);
    bf::ImageState state;
    bf::bench::HeadlessHost host(bin, "");
    for (auto _ : st)
        bf::OpenFirmware(host, *image, state);
}

void BM_SaveAs(benchmark::State& st) {
    auto image = LoadedImage();
    bf::bench::HeadlessHost host("", (g_workDir / "saved.bin").string());
    for (auto _ : st)
        bf::SaveFirmwareAs(host, *image);
    if (host.boxShown)
        st.SkipWithError(host.lastBox.c_str());
}

void BM_CountWriteBlocks(benchmark::State& st) {
    auto image = LoadedImage();
    std::uint8_t frame[bf::FirmwareImage::kWriteFrameSize];
    for (auto _ : st) {
        int blocks = 0;
        for (bool restart = true; image->NextWriteFrame(frame, restart); restart = false)
            ++blocks;
        benchmark::DoNotOptimize(blocks);
    }
}

void BM_SectorChecksumsOfAFullImage(benchmark::State& st) {
    auto image = LoadedImage();
    for (auto _ : st) {
        unsigned sum = 0;
        for (std::uint8_t s = 4; s <= 17; ++s)
            sum += image->SectorChecksum(s);
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK(BM_OpenHex)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenBin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountWriteBlocks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SectorChecksumsOfAFullImage)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    g_workDir = std::filesystem::temp_directory_path() / ("firmware-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(g_workDir);
    if (argc > 1) {
        g_hexPath = argv[1];
    } else {
        g_hexPath = (g_workDir / "generated.hex").string();
        WriteGeneratedHex(g_hexPath);
    }
    std::printf("S-record file: %s (%ju bytes)\n", g_hexPath.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_hexPath)));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_workDir);
    return 0;
}
