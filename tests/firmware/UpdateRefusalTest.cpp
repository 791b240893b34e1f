// Files that Open takes without complaint but that leave nothing to write: the update that follows
// must refuse before the port is touched instead of "flashing" nothing and reporting CHECKSUM OK.
#include "firmware/FirmwareCommands.h"
#include "firmware/FlashUpdate.h"
#include "tests/firmware/FirmwareTestUtil.h"
#include "tests/support/ControllerFixture.h"

#include <gmock/gmock.h>

#include <string>

namespace bf::test {
namespace {

using ::testing::IsEmpty;

struct LoadedFile {
    const char* name;
    std::string content;
    bool refused;
};

void PrintTo(const LoadedFile& file, std::ostream* os) {
    *os << file.name;
}

const std::string kS3Data = S3(0x110000, {0x01, 0x02, 0x03, 0x04});
constexpr char kNoFirmwareData[] = "The loaded file holds no firmware data for the controller.\n"
                                   "Open an S-record file with S3 records (*.hex) or a binary image (*.bin).";
constexpr char kNoImage[] = "No firmware loaded.\nOpen a complete firmware file before updating.";

class UpdateAfterOpenTest : public ControllerFixture {
  protected:
    TempDir dir;
};

class UpdateRefusalTest : public UpdateAfterOpenTest, public ::testing::WithParamInterface<LoadedFile> {};

TEST_P(UpdateRefusalTest, OpenThenUpdate) {
    const std::string path = dir / GetParam().name;
    WriteText(path, GetParam().content);
    host.fileAnswers.push_back(path);
    OpenFirmware(host, *image, state);
    ASSERT_TRUE(state.loaded);
    ASSERT_THAT(host.boxes, IsEmpty());
    const auto logAfterOpen = host.logSinceClear;

    const CommandResult result = UpdateProgram(session, *image, state);

    if (!GetParam().refused) {
        EXPECT_THAT(host.boxes, IsEmpty());
        ASSERT_FALSE(host.logSinceClear.empty());
        EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
        return;
    }
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, kNoFirmwareData);
    EXPECT_EQ(host.boxes[0].caption, "");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(host.logSinceClear, logAfterOpen) << "the log is neither emptied nor written";
    EXPECT_THAT(port.opens, IsEmpty());
    EXPECT_THAT(port.written, IsEmpty());
    EXPECT_EQ(host.toolbar.size(), 0u);
    EXPECT_EQ(result.end, CommandResult::End::FileFailed);
    // A verification of the same image would compare no sector and find them all equal.
    host.boxes.clear();
    EXPECT_EQ(VerifyProgram(session, *image, state).end, CommandResult::End::FileFailed);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, kNoFirmwareData);
    EXPECT_THAT(port.opens, IsEmpty());
}

TEST_F(UpdateAfterOpenTest, HalfConvertedImageIsRefusedAsNotLoaded) {
    WriteText(dir / "good.hex", kS3Data + "\n");
    WriteText(dir / "bad.hex", S3(0x120000, {0x05}) + "\n" + S3(0x130000, {0x06}, 1) + "\n");
    for (const char* name : {"good.hex", "bad.hex"}) {
        host.fileAnswers.push_back(dir / name);
        OpenFirmware(host, *image, state);
    }
    ASSERT_FALSE(state.loaded);
    ASSERT_GT(state.m_nBlocksToWrite, 0); // the counts of the good file
    host.boxes.clear();

    UpdateProgram(session, *image, state);

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, kNoImage);
    EXPECT_THAT(port.opens, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Files, UpdateRefusalTest,
                         ::testing::Values(
                             // Chosen through "All files": the extension decides, so nothing is loaded.
                             LoadedFile{"fw.s19", "S00600004844521B\n" + kS3Data + "\nS70500000000FA\n",
                                        true},
                             // What objcopy and srec_cat write for these addresses by default: S2 records.
                             LoadedFile{"s2.hex", "S20810000001020304DD\nS804100000EB\n", true},
                             LoadedFile{"intel.hex", ":0400000001020304F2\n:00000001FF\n", true},
                             LoadedFile{"blank.bin", std::string(FirmwareImage::kImageSize, '\xFF'), true},
                             // Blank data marks its sector (one erase block) but gives no write block.
                             LoadedFile{"blank.hex", S3(0x110000, Bytes(32, 0xFF)) + "\n", true},
                             LoadedFile{"fw.hex", kS3Data + "\n", false}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 c = c == '.' ? '_' : c;
                             return name;
                         });

} // namespace
} // namespace bf::test
