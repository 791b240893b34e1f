// Parameter Edit's new file as POSIX shows it: its mode, and no descriptor left open.
#include "params/ParameterBackup.h"
#include "tests/params/ParamsFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <sys/stat.h>

namespace bf::test {
namespace {

using ParameterFileTest = ParamsFixture;

TEST_F(ParameterFileTest, EditOfANewNameCreatesAnEmptyFileButNeverReplacesOne) {
    WriteFile(PathOf("old.txt"), "P1=5\r\n");
    const struct {
        std::string chosen;
        std::string opened;
        std::optional<std::string> content;
    } cases[] = {
        {"upd", "upd.txt", ""},
        {"old", "old.txt", "P1=5\r\n"},
        {"old.txt", "old.txt", "P1=5\r\n"},
    };
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto filesBefore = openFiles();
    const mode_t oldMask = umask(022);
    for (const auto& c : cases) {
        host.fileAnswers.push_back(PathOf(c.chosen));
        ParameterEdit(host);
        EXPECT_EQ(host.editorOpened.back(), PathOf(c.opened)) << c.chosen;
        EXPECT_EQ(ReadFile(PathOf(c.opened)), c.content) << c.chosen;
    }
    umask(oldMask);
    EXPECT_EQ(openFiles(), filesBefore); // nothing left open
    EXPECT_TRUE(host.boxes.empty());
    // A new file gets the mode any new file gets.
    struct stat st {};
    ASSERT_EQ(stat(PathOf("upd.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

} // namespace
} // namespace bf::test
