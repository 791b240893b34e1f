#include "firmware/ProgressWrite.h"
#include "tests/support/FolderSize.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace bf::test {
namespace {

// Every size shows what a loop showing i * 100 / size before byte i would show, 0 aside, and each
// percentage when exactly that share of the bytes is in the file.
TEST(ProgressWrite, ShowsEachShareOnceWhenItIsInTheFile) {
    for (const std::size_t size : {std::size_t{1}, std::size_t{7}, std::size_t{99}, std::size_t{100},
                                   std::size_t{250}, std::size_t{1048608}}) {
        SCOPED_TRACE(size);
        TempDir dir;
        VirtualClock clock;
        RecordingHost host(clock);
        std::vector<int> onDisk;
        host.onProgress = [&](int, int) {
            onDisk.push_back(static_cast<int>(BytesInFolder(dir.path()) * 100 / size));
        };
        const std::vector<std::uint8_t> bytes(size, 0x5A);
        AtomicFileWriter file((dir.path() / "out.bin").string());
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(WriteShowingProgress(host, file, bytes.data(), bytes.size()));
        ASSERT_TRUE(file.Commit());

        std::vector<int> expected;
        for (std::size_t i = 0; i < size; ++i)
            if (const int p = static_cast<int>(i * 100 / size);
                p > 0 && (expected.empty() || expected.back() != p))
                expected.push_back(p);
        std::vector<int> shown;
        for (const auto& p : host.progress)
            shown.push_back(p.percent);
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(onDisk, expected);
        EXPECT_EQ(BytesInFolder(dir.path()), size);
    }
}

TEST(ProgressWrite, AFailedWriteStopsAndShowsNothingMore) {
    VirtualClock clock;
    RecordingHost host(clock);
    TempDir dir;
    const std::vector<std::uint8_t> bytes(1000, 0x5A);
    AtomicFileWriter file((dir.path() / "missing" / "out.bin").string());
    EXPECT_FALSE(file.Open());
    EXPECT_FALSE(WriteShowingProgress(host, file, bytes.data(), bytes.size()));
    EXPECT_TRUE(host.progress.empty());
}

} // namespace
} // namespace bf::test
