// Where the settings file lives on a POSIX system: the environment and the password database.
#include "core/SetupSettings.h"
#include "core/System.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace bf {
namespace {

using namespace settings;

TEST(SetupSettings, FileLivesInTheXdgConfigFolderElseHomeConfig) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = oldXdg ? oldXdg : "";
    ::setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(FilePath(), "/x/conf/BrenvaldorFlash.ini");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    ::setenv("HOME", ::getenv("HOME") ? ::getenv("HOME") : "/h", 1);
    EXPECT_EQ(FilePath(), std::string(::getenv("HOME")) + "/.config/BrenvaldorFlash.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(FilePath(), std::string(::getenv("HOME")) + "/.config/BrenvaldorFlash.ini");
    if (oldXdg)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST(SetupSettings, WithoutHomeTheFileLivesInTheUsersHomeFolderFromThePasswordDatabase) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    const std::string savedHome = oldHome ? oldHome : "";
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    const std::string expected = std::string(user->pw_dir) + "/.config/BrenvaldorFlash.ini";
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(FilePath(), expected);
    ::setenv("HOME", "", 1);
    EXPECT_EQ(FilePath(), expected);
    ::setenv("HOME", "/elsewhere", 1);
    EXPECT_EQ(FilePath(), "/elsewhere/.config/BrenvaldorFlash.ini");
    if (oldXdg)
        ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

// POSIX systems have no shared settings of an earlier installation: the user's file is read,
// whether it exists or not.
TEST(SetupSettings, SettingsAreReadFromTheUsersFileAlone) {
    EXPECT_EQ(SharedSettingsFolder(), "");
    EXPECT_EQ(ReadPath("/nonexistent/BrenvaldorFlash.ini"), "/nonexistent/BrenvaldorFlash.ini");
    EXPECT_EQ(ReadPath("/etc/hostname"), "/etc/hostname");
}

} // namespace
} // namespace bf
