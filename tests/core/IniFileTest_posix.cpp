// Settings files where they rest on POSIX: file-size limits, other users, pipes, devices, links.
#include "core/IniFile.h"
#include "tests/core/IniFileDisk.h"
#include "tests/support/FileSizeLimit_posix.h"
#include "tests/support/NonRegularFiles_posix.h"
#include "tests/support/Unprivileged_posix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace bf {
namespace {

namespace fs = std::filesystem;
using test::IniFileDisk;
using test::ReadAll;
using test::RunUnprivileged;

constexpr auto kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr auto kWriteOnly = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

TEST_F(IniFileDisk, FailedSaveLeavesTheOldFileWhole) {
    const auto path = m_dir / "a.ini";
    std::ofstream(path) << "[Setup]\nSerialPort=3\n";
    IniFile ini;
    ini.Set("Setup", "SerialPort", "4");
    ini.Set("Notes", "Long", std::string(100000, 'n'));
    // A file-size limit makes the write fail half-way, as a full disk would; it binds root too.
    const bool written = [&] {
        const test::FileSizeLimit limit(4096);
        return ini.Save(path.string());
    }();
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), "[Setup]\nSerialPort=3\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1) << "temporary left";
}

// Settings files that must be neither replaced nor emptied: the start uses the defaults (or what
// it could read) and the close writes nothing. Run as a user without privileges, so that root's
// powers do not hide the case (and /dev stays out of reach should the rule ever break).
TEST_F(IniFileDisk, FilesThatCannotBeReadOrMayNotBeWrittenAreKept) {
    const std::string setup = "[Setup]\nSerialPort=3\n\n[Ports]\nCOM1=/tmp/sim\n";
    const struct {
        const char* name;
        fs::perms mode;
        std::string content;
        const char* portRead; // what the start reads for SerialPort; nullptr: nothing
    } regular[] = {
        // Another user's file of mode 0600, as the body sees it.
        {"unreadable", fs::perms::none, setup, nullptr},
        {"write-only", kWriteOnly, setup, nullptr},
        {"read-only", kReadOnly, setup, "3"},
        {"larger than the limit", fs::perms::all, setup + ";" + std::string(IniFile::kMaxFileSize, 'x'),
         nullptr},
    };
    fs::permissions(m_dir, fs::perms::all);
    // Start and close as the window does them, as a user without privileges; 0 when the start read
    // what it should and the close wrote nothing.
    const auto startAndClose = [](const fs::path& path, const char* portRead) {
        return RunUnprivileged([&] {
            IniFile ini = IniFile::Load(path.string());
            if (ini.Get("Setup", "SerialPort") !=
                (portRead ? std::optional<std::string>(portRead) : std::nullopt))
                return 1;
            ini.Set("Setup", "SerialPort", "5");
            return ini.Save(path.string()) ? 2 : 0;
        });
    };
    for (const auto& c : regular) {
        SCOPED_TRACE(c.name);
        const fs::path path = m_dir / (std::string(c.name) + ".ini");
        std::ofstream(path) << c.content;
        fs::permissions(path, c.mode);
        EXPECT_EQ(startAndClose(path, c.portRead), 0) << "1: not read as expected; 2: written";
        fs::permissions(path, fs::perms::owner_read, fs::perm_options::add);
        EXPECT_EQ(ReadAll(path), c.content);
    }
    const auto special = test::MakeNonRegularFiles(m_dir, "settings", ".ini");
    ASSERT_GE(special.size(), 3u);
    for (const auto& file : special) {
        SCOPED_TRACE(file.path);
        EXPECT_EQ(startAndClose(file.path, nullptr), 0) << "1: not read as expected; 2: written";
        EXPECT_TRUE(file.Unchanged());
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()),
              static_cast<std::ptrdiff_t>(std::size(regular) + special.size()))
        << "temporary left";
}

TEST_F(IniFileDisk, SaveThroughSymlinkReplacesTheTargetAndKeepsItsMode) {
    const auto target = m_dir / "real.ini";
    const auto link = m_dir / "link.ini";
    std::ofstream(target) << "[Setup]\n";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, link);
    auto ini = IniFile::Load(link.string());
    ini.Set("Setup", "SerialPort", "6");
    ASSERT_TRUE(ini.Save(link.string()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(target), "[Setup]\nSerialPort=6\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

} // namespace
} // namespace bf
