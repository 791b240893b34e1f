// The exclusive rename's way on file systems without RENAME_NOREPLACE.
#include "core/FileSystem_linux.h"
#include "tests/firmware/FirmwareTestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace bf {
namespace {

TEST(LinkNoReplace, MovesToAFreeNameOnlyAndKeepsBothFilesWhenItIsTaken) {
    test::TempDir dir;
    test::WriteText(dir / "data", "new");
    test::WriteText(dir / "taken", "someone's");
    EXPECT_EQ(LinkNoReplace(dir / "data", dir / "taken"), EEXIST);
    EXPECT_EQ(test::ReadBytes(dir / "taken").size(), 9u);
    EXPECT_EQ(test::ReadBytes(dir / "data").size(), 3u);
    EXPECT_EQ(LinkNoReplace(dir / "data", dir / "free"), 0);
    EXPECT_EQ(test::ReadBytes(dir / "free").size(), 3u);
    EXPECT_EQ(dir.Names().size(), 2u) << "the first name is dropped";
    EXPECT_EQ(LinkNoReplace(dir / "data", dir / "other"), ENOENT);
}

} // namespace
} // namespace bf
