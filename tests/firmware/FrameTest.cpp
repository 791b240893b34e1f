#include "firmware/FirmwareImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace bf {
namespace {

using Frame = std::vector<std::uint8_t>;

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override { image.ClearImage(); }

    void Fill(std::uint32_t offset, std::uint32_t count, std::uint8_t value) {
        for (std::uint32_t i = 0; i < count; ++i)
            image.data()[offset + i] = value;
    }
    std::vector<Frame> WriteFrames() {
        std::vector<Frame> frames;
        Frame frame(FirmwareImage::kWriteFrameSize);
        for (bool restart = true; image.NextWriteFrame(frame.data(), restart); restart = false)
            frames.push_back(frame);
        return frames;
    }
    std::vector<Frame> EraseFrames() {
        std::vector<Frame> frames;
        Frame frame(FirmwareImage::kEraseFrameSize);
        for (bool restart = true; image.NextEraseFrame(frame.data(), restart); restart = false)
            frames.push_back(frame);
        return frames;
    }
    static std::uint32_t StartOffset(const Frame& f) { return (f[1] << 16 | f[2] << 8 | f[3]) - 0x100000u; }

    FirmwareImage image;
};

// Frame bytes written out by hand: command, address, 32 data bytes, checksum.
Frame Hand(std::initializer_list<std::uint8_t> head, std::initializer_list<std::uint8_t> data,
           std::uint8_t fillTo32, std::uint8_t checksum) {
    Frame f(head);
    f.insert(f.end(), data);
    f.resize(4 + 32, fillTo32);
    f.push_back(checksum);
    return f;
}

TEST_F(FrameTest, EraseFramesFollowTheMarkedSectors) {
    EXPECT_TRUE(EraseFrames().empty());
    image.MarkSector(0x1FFFFF);
    image.MarkSector(0x100000);
    image.MarkSector(0x120000);
    EXPECT_EQ(EraseFrames(), (std::vector<Frame>{{0xF2, 0x00}, {0xF2, 0x05}, {0xF2, 0x12}}));
    // Past the end it keeps answering false until restarted.
    Frame frame(2);
    EXPECT_FALSE(image.NextEraseFrame(frame.data(), false));
    EXPECT_TRUE(image.NextEraseFrame(frame.data(), true));
    EXPECT_EQ(frame, (Frame{0xF2, 0x00}));
}

TEST_F(FrameTest, BlankImageHasNoWriteFrame) {
    EXPECT_TRUE(WriteFrames().empty());
}

TEST_F(FrameTest, SingleByteOnEitherSideOfAPairGivesTheSameBlock) {
    // 0x10+0x10+0x00 + 31*0xFF + 0x5A = 0x1F5B; ~0x5B = 0xA4.
    image.data()[0x1001] = 0x5A;
    EXPECT_EQ(WriteFrames(), (std::vector<Frame>{Hand({0xF3, 0x10, 0x10, 0x00}, {0xFF, 0x5A}, 0xFF, 0xA4)}));
    image.ClearImage();
    image.data()[0x1000] = 0x5A;
    EXPECT_EQ(WriteFrames(), (std::vector<Frame>{Hand({0xF3, 0x10, 0x10, 0x00}, {0x5A}, 0xFF, 0xA4)}));
}

TEST_F(FrameTest, FirstByteOfTheFlashAloneIsWrittenAndCountedFromEveryRestart) {
    // 0x10+0x00+0x00 + 0x5A + 31*0xFF = 0x1F4B; ~0x4B = 0xB4.
    image.data()[0] = 0x5A;
    const std::vector<Frame> expected{Hand({0xF3, 0x10, 0x00, 0x00}, {0x5A}, 0xFF, 0xB4)};
    EXPECT_EQ(image.CountWriteFrames(), 1);
    EXPECT_EQ(WriteFrames(), expected);
    EXPECT_EQ(WriteFrames(), expected);
    EXPECT_EQ(image.CountWriteFrames(), 1);
}

TEST_F(FrameTest, BlocksAtTheStartOfTwoSeparateRuns) {
    for (std::uint8_t i = 0; i < 32; ++i)
        image.data()[i] = i;
    Fill(0x40, 32, 0x00);
    const auto frames = WriteFrames();
    ASSERT_EQ(frames.size(), 2u);
    // 0x10 + (0 + 1 + ... + 31 = 0x1F0) = 0x200; ~0x00 = 0xFF.
    EXPECT_EQ(frames[0],
              Hand({0xF3, 0x10, 0x00, 0x00}, {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                              16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
                   0, 0xFF));
    // 0x10 + 0x40 = 0x50; ~0x50 = 0xAF.
    EXPECT_EQ(frames[1], Hand({0xF3, 0x10, 0x00, 0x40}, {}, 0x00, 0xAF));
}

TEST_F(FrameTest, ABlockCarriesBlankBytesAfterTheRun) {
    Fill(0x00, 0x22, 0x00);
    const auto frames = WriteFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(StartOffset(frames[0]), 0x00u);
    // 0x10 + 0x20 + 30*0xFF = 0x1E12; ~0x12 = 0xED.
    EXPECT_EQ(frames[1], Hand({0xF3, 0x10, 0x00, 0x20}, {0x00, 0x00}, 0xFF, 0xED));
}

TEST_F(FrameTest, FramesAfterABlockOffTheEightByteGridSendEveryByteOnce) {
    // A run that starts 2 bytes past a multiple of 8 leaves the next search off that grid: the
    // bytes right after the block, blank or not, must neither be skipped nor sent twice.
    for (const std::uint32_t runLength : {32u, 34u, 36u, 40u}) {
        SCOPED_TRACE(runLength);
        image.ClearImage();
        for (std::uint32_t i = 0; i < runLength; ++i)
            image.data()[0x102 + i] = static_cast<std::uint8_t>(i);
        Fill(0x200, 2, 0x11);
        std::vector<std::uint8_t> written(FirmwareImage::kImageSize, FirmwareImage::kBlank);
        std::uint32_t end = 0;
        for (const Frame& f : WriteFrames()) {
            EXPECT_GE(StartOffset(f), end) << "frames overlap";
            end = StartOffset(f) + 32;
            std::copy(f.begin() + 4, f.begin() + 36, written.begin() + StartOffset(f));
        }
        EXPECT_TRUE(std::equal(written.begin(), written.end(), image.data())) << "a byte is not sent";
    }
}

TEST_F(FrameTest, BlankPairsInsideABlockAreNotSkipped) {
    image.data()[0x100] = 0x01;
    image.data()[0x11F] = 0x02;
    image.data()[0x123] = 0x03; // the next block starts at the even offset before it
    const auto frames = WriteFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(StartOffset(frames[0]), 0x100u);
    EXPECT_EQ(frames[0][4 + 0x1F], 0x02);
    EXPECT_EQ(StartOffset(frames[1]), 0x122u);
    EXPECT_EQ(frames[1][5], 0x03);
}

TEST_F(FrameTest, LastBlockReadsIntoThePadding) {
    image.data()[0xFFFFF] = 0x00;
    image.data()[0x100000] = 0x11; // padding, no flash address of its own
    image.data()[0x10001F] = 0x22;
    const auto frames = WriteFrames();
    ASSERT_EQ(frames.size(), 1u);
    const Frame& f = frames[0];
    EXPECT_EQ(f[1], 0x1F);
    EXPECT_EQ(f[2], 0xFF);
    EXPECT_EQ(f[3], 0xFE);
    EXPECT_EQ(f[4], 0xFF);
    EXPECT_EQ(f[5], 0x00);
    EXPECT_EQ(f[6], 0x11);
    EXPECT_EQ(f[35], 0xFF); // the padding's last byte is beyond the 30 read
    // A padding byte alone never starts a block.
    image.data()[0xFFFFF] = 0xFF;
    EXPECT_TRUE(WriteFrames().empty());
}

TEST_F(FrameTest, FullImageHas32768Blocks) {
    Fill(0, FirmwareImage::kFlashSize, 0x00);
    EXPECT_EQ(WriteFrames().size(), 32768u);
}

TEST_F(FrameTest, SectorChecksumsOfKnownPatterns) {
    // All 0xFF: 32768 * 0xFFFF = 0x7FFF8000, low 16 bits 0x8000, inverted 0x7FFF.
    EXPECT_EQ(image.SectorChecksum(4), 0x7FFF);
    Fill(0x20000, 0x10000, 0x00);
    image.data()[0x20000] = 0x12; // the first byte is the high byte
    image.data()[0x20001] = 0x34;
    EXPECT_EQ(image.SectorChecksum(5), 0xEDCB);
    // 0xFFFF + 0x0002 wraps to 0x0001.
    image.data()[0x20000] = 0xFF;
    image.data()[0x20001] = 0xFF;
    image.data()[0x2FFFF] = 0x02;
    EXPECT_EQ(image.SectorChecksum(5), 0xFFFE);
    for (std::uint8_t s : {0, 1, 2, 3, 18, 19, 255})
        EXPECT_EQ(image.SectorChecksum(s), 0) << int(s);
}

TEST_F(FrameTest, VerifyComparesOnlyMarkedVerifiedSectors) {
    Fill(0x10000, 0x10000, 0x00); // sector 4: checksum 0xFFFF
    Fill(0xE0000, 0x10000, 0x00); // sector 17
    image.data()[0xE0001] = 0x01; //   checksum 0xFFFE
    image.MarkSector(0x110000);
    image.MarkSector(0x1E0000);
    image.MarkSector(0x100000); // sector 0 is never verified
    auto report = [&](std::uint16_t s4, std::uint16_t s17) {
        image.StoreControllerChecksum(s4, true);
        for (int s = 5; s <= 16; ++s)
            image.StoreControllerChecksum(0x0BAD, false);
        image.StoreControllerChecksum(s17, false);
        image.StoreControllerChecksum(0x0BAD, false); // a 15th value is ignored
    };
    report(0xFFFF, 0xFFFE);
    EXPECT_TRUE(image.VerifySectorChecksums());
    report(0xFFFF, 0xFFFF);
    EXPECT_FALSE(image.VerifySectorChecksums());
    report(0x0000, 0xFFFE);
    EXPECT_FALSE(image.VerifySectorChecksums());
}

TEST_F(FrameTest, ReportedValuesAfterTheFourteenthAreDropped) {
    Fill(0x10000, 0x10000, 0x00); // sector 4: checksum 0xFFFF
    image.MarkSector(0x110000);
    image.StoreControllerChecksum(0xFFFF, true);
    for (int s = 5; s <= 17; ++s)
        image.StoreControllerChecksum(0x0BAD, false);
    // Further values go nowhere: stored past the table they would damage what lies behind it,
    // the cursor included, and so come back into the table over sector 4's entry.
    for (int extra = 0; extra < 300; ++extra)
        image.StoreControllerChecksum(0x0000, false);
    EXPECT_TRUE(image.VerifySectorChecksums());
}

} // namespace
} // namespace bf
