#pragma once

#include "tests/cli/CliProcess_posix.h"
#include "tests/e2e/SimProcess_posix.h"
#include "tests/firmware/FirmwareTestUtil.h"

#include "firmware/FirmwareImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace bf::test {

// brenvaldor against brenvaldor-sim on a pseudo-terminal, with a settings folder of its own.
struct CliFixture : ::testing::Test {
    TempDir dir;
    std::unique_ptr<SimProcess> sim;

    std::vector<std::string> Env() const { return {"XDG_CONFIG_HOME=" + dir / "config"}; }

    void StartSim(const std::vector<std::string>& args = {}) { sim = std::make_unique<SimProcess>(args); }

    CliResult Run(std::vector<std::string> args) { return RunCli(args, Env()); }
    // The same with --port naming the simulator's terminal.
    CliResult RunOnSim(std::vector<std::string> args) {
        args.insert(args.end(), {"--port", sim->Path()});
        return Run(args);
    }

    void WriteSettings(const std::string& text) {
        std::filesystem::create_directories(dir.path() / "config");
        std::ofstream(dir / "config/BrenvaldorFlash.ini") << text;
    }

    std::string WriteText(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return dir / name;
    }

    // An S3 file of `size` bytes of `value` from controller address `address`, in 32-byte records.
    std::string WriteHex(const std::string& name, std::uint32_t address, std::uint32_t size,
                         std::uint8_t value) {
        std::string text;
        for (std::uint32_t done = 0; done < size; done += 32)
            text += S3(address + done, Bytes(std::min<std::uint32_t>(32, size - done), value)) + "\n";
        return WriteText(name, text);
    }

    std::vector<std::uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    bool Exists(const std::string& path) const { return std::filesystem::exists(path); }
};

} // namespace bf::test
