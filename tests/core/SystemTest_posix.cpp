// What a POSIX system tells the program: the time zone's offset, the process, the terminal.
#include "core/System.h"
#include "tests/support/TempDir.h"
#include "tests/support/Terminal_posix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <string>
#include <unistd.h>

namespace bf {
namespace {

using test::TempDir;

TEST(SystemPosix, UtcOffsetIsTheZonesAtThatInstantOrZeroWhereItCannotBeTold) {
    const char* saved = std::getenv("TZ");
    const std::optional<std::string> savedZone = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    const std::int64_t winter = UtcOffsetAt(1704067200); // 2024-01-01 00:00 UTC
    const std::int64_t summer = UtcOffsetAt(1719792000); // 2024-07-01 00:00 UTC
    const std::int64_t beyond = UtcOffsetAt(std::numeric_limits<std::time_t>::max());
    if (savedZone)
        setenv("TZ", savedZone->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(winter, -5 * 3600);
    EXPECT_EQ(summer, -4 * 3600);
    EXPECT_EQ(beyond, 0) << "no calendar holds that year";
}

TEST(SystemPosix, ProcessIdAndTerminal) {
    EXPECT_EQ(ProcessId(), static_cast<std::uint32_t>(getpid()));
    TempDir dir;
    test::Terminal terminal;
    ASSERT_GE(terminal.OpenPort(terminal.path), 0);
    const int file = open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const int saved = dup(STDERR_FILENO);
    dup2(terminal.port, STDERR_FILENO);
    const bool onTerminal = StandardErrorIsTerminal();
    dup2(file, STDERR_FILENO);
    const bool onFile = StandardErrorIsTerminal();
    dup2(saved, STDERR_FILENO);
    close(saved);
    close(file);
    EXPECT_TRUE(onTerminal);
    EXPECT_FALSE(onFile);
}

} // namespace
} // namespace bf
