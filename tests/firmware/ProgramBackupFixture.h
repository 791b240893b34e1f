#pragma once

#include "firmware/ProgramBackup.h"
#include "tests/support/ControllerFixture.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace bf::test {

constexpr std::size_t kFileSize = 1048608;
constexpr std::size_t kStart = 0x4000;

// File > Backup against the controller model, whose flash holds a pattern that shows any shift,
// into a folder of the test's own.
class ProgramBackupTest : public ControllerFixture {
  protected:
    ProgramBackupTest() {
        for (std::size_t i = 0; i < model.flash.size(); ++i)
            model.flash[i] = static_cast<std::uint8_t>(i * 13 + (i >> 16));
    }

    std::string Run(const std::string& name = "backup.bin") {
        host.fileAnswers.push_back(dir + "/" + name);
        BackupProgram(session);
        return dir + "/" + name;
    }
    static Bytes ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteAll(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }
    // A data packet carrying `data` (32 bytes); header and checksum are not examined.
    static Bytes Packet(std::uint8_t data) {
        Bytes p(37, data);
        p[0] = 0xFC;
        return p;
    }
    void AnswerBlock(std::uint8_t block, Bytes reply) {
        model.faults.replyOverride = [block, reply](const Bytes& c) -> std::optional<Bytes> {
            if (c.size() == 2 && c[0] == 0xFC && c[1] == block)
                return reply;
            return std::nullopt;
        };
    }
    static bool AllBlank(const Bytes& b, std::size_t from, std::size_t to) {
        return std::all_of(b.begin() + from, b.begin() + to, [](std::uint8_t v) { return v == 0xFF; });
    }

    TempDir temp;
    std::string dir = temp.path().string();
};

} // namespace bf::test
