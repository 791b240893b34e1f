// File > Open and File > Save As where they rest on POSIX: pipes, devices and file-size limits.
#include "core/FileSystem.h"
#include "firmware/FirmwareCommands.h"
#include "tests/firmware/FirmwareCommandsFixture.h"
#include "tests/support/FileSizeLimit_posix.h"
#include "tests/support/NonRegularFiles_posix.h"

#include <gtest/gtest.h>

namespace bf {
namespace {

using test::FirmwareCommandsTest;
using test::ReadBytes;
using test::WriteText;

TEST_F(FirmwareCommandsTest, SaveAsNeverReplacesADeviceOrAPipe) {
    const auto special = test::MakeNonRegularFiles(dir.path(), "image", ".bin");
    ASSERT_GE(special.size(), 3u);
    for (const auto& file : special) {
        SCOPED_TRACE(file.path);
        host.boxes.clear();
        SaveAs(file.path);
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_NE(host.boxes[0].text.find("\":\nNot a regular file (a device, a pipe or a socket)"),
                  std::string::npos);
        EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
        EXPECT_TRUE(file.Unchanged());
    }
    EXPECT_EQ(dir.Names().size(), special.size());
}

TEST_F(FirmwareCommandsTest, FailedSaveKeepsTheOldFile) {
    WriteText(dir / "keep.bin", "old");
    {
        const test::FileSizeLimit limit(500000);
        SaveAs(dir / "keep.bin");
    }
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("File too large"), std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "keep.bin").size(), 3u);
    EXPECT_EQ(dir.Names().size(), 1u);
}

// The window's Open never reads a device, a pipe or a socket: it keeps the image as a file that
// could not be opened does, and says why to the command line.
TEST_F(FirmwareCommandsTest, OpenRefusesADeviceAPipeOrASocket) {
    OpenHex({test::S3(0x100000, {0x01})});
    const auto special = test::MakeNonRegularFiles(dir.path(), "image", ".hex");
    ASSERT_GE(special.size(), 3u);
    for (const auto& file : special) {
        SCOPED_TRACE(file.path);
        host.fileAnswers.push_back(file.path);
        const OpenResult r = OpenFirmware(host, *image, state);
        EXPECT_FALSE(r.loaded);
        EXPECT_EQ(r.openError, kNotRegularFile);
        EXPECT_EQ(host.logSinceClear, CountLines(1, 1));
        EXPECT_EQ(At(0x100000), 0x01);
        EXPECT_TRUE(state.loaded);
        EXPECT_TRUE(host.boxes.empty());
        EXPECT_TRUE(file.Unchanged());
    }
}

} // namespace
} // namespace bf
