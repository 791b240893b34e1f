#include "firmware/FirmwareImage.h"
#include "tests/firmware/FirmwareTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace bf {
namespace {

using test::Bytes;
using test::S3;

class FirmwareImageTest : public ::testing::Test {
  protected:
    void SetUp() override { image.ClearImage(); }

    std::uint8_t At(std::uint32_t address) const {
        return image.data()[address - FirmwareImage::kBaseAddress];
    }
    std::vector<int> Marked() const {
        std::vector<int> sectors;
        for (int s = 0; s < FirmwareImage::kSectorCount; ++s)
            if (image.IsSectorMarked(s))
                sectors.push_back(s);
        return sectors;
    }

    FirmwareImage image;
};

TEST(FirmwareImageStart, HoldsZeroBytesAndNoMarksUntilCleared) {
    auto image = std::make_unique<FirmwareImage>();
    for (std::uint32_t i = 0; i < FirmwareImage::kImageSize; ++i)
        ASSERT_EQ(image->data()[i], 0x00) << i;
    image->MarkSector(0x150000);
    image->data()[FirmwareImage::kImageSize - 1] = 0x12;
    image->ClearImage();
    for (std::uint32_t i = 0; i < FirmwareImage::kImageSize; ++i)
        ASSERT_EQ(image->data()[i], 0xFF) << i;
    for (int s = 0; s < FirmwareImage::kSectorCount; ++s)
        EXPECT_FALSE(image->IsSectorMarked(s));
}

TEST(FirmwareImageStatic, HexDigitsAreUpperCaseOnly) {
    EXPECT_EQ(FirmwareImage::HexDigitValue('0'), 0);
    EXPECT_EQ(FirmwareImage::HexDigitValue('9'), 9);
    EXPECT_EQ(FirmwareImage::HexDigitValue('A'), 10);
    EXPECT_EQ(FirmwareImage::HexDigitValue('F'), 15);
    for (char c : {'a', 'f', 'G', '/', ':', '@', ' ', '\0', '\xB0'})
        EXPECT_EQ(FirmwareImage::HexDigitValue(c), 0xFF) << int(c);
}

TEST(FirmwareImageStatic, SectorTableBoundaries) {
    const std::pair<std::uint32_t, int> cases[] = {
        {0x00000, 0}, {0x03FFF, 0}, {0x04000, 1}, {0x05FFF, 1}, {0x06000, 2},  {0x07FFF, 2},  {0x08000, 3},
        {0x0FFFF, 3}, {0x10000, 4}, {0x1FFFF, 4}, {0x20000, 5}, {0xEFFFF, 17}, {0xF0000, 18}, {0xFFFFF, 18}};
    for (auto [offset, sector] : cases)
        EXPECT_EQ(FirmwareImage::SectorOfOffset(offset), sector) << std::hex << offset;
    std::uint32_t next = 0;
    for (int s = 0; s < FirmwareImage::kSectorCount; ++s) {
        EXPECT_EQ(FirmwareImage::SectorStart(s), next) << s;
        next += FirmwareImage::SectorSize(s);
    }
    EXPECT_EQ(next, FirmwareImage::kFlashSize);
}

TEST_F(FirmwareImageTest, StoreImageByteChecksRangeAndFreeBytes) {
    EXPECT_EQ(image.StoreImageByte(0x0FFFFF, 1), 1);
    EXPECT_EQ(image.StoreImageByte(0x200000, 1), 1);
    EXPECT_EQ(image.data()[FirmwareImage::kFlashSize], 0xFF); // the padding is no address
    EXPECT_EQ(image.StoreImageByte(0x100000, 0x42), 0);
    EXPECT_EQ(image.StoreImageByte(0x100000, 0x43), 2);
    EXPECT_EQ(At(0x100000), 0x42);
    // A byte written as 0xFF still counts as free.
    EXPECT_EQ(image.StoreImageByte(0x1FFFFF, 0xFF), 0);
    EXPECT_EQ(image.StoreImageByte(0x1FFFFF, 0x07), 0);
    EXPECT_EQ(At(0x1FFFFF), 0x07);
}

TEST_F(FirmwareImageTest, MarkSectorOnlyInsideTheImage) {
    EXPECT_FALSE(image.MarkSector(0x0FFFFF));
    EXPECT_FALSE(image.MarkSector(0x200000));
    EXPECT_TRUE(image.MarkSector(0x105FFF));
    EXPECT_TRUE(image.MarkSector(0x1FFFFF));
    EXPECT_EQ(Marked(), (std::vector<int>{1, 18}));
}

TEST_F(FirmwareImageTest, RecordWithCountFiveMarksAndStoresNothing) {
    EXPECT_EQ(S3(0x123456, {}), "S305001234565E");
    EXPECT_EQ(image.ParseS3Record(S3(0x123456, {})), 0);
    EXPECT_EQ(Marked(), (std::vector<int>{5}));
    EXPECT_EQ(At(0x123456), 0xFF);
}

TEST_F(FirmwareImageTest, RecordEndingOnTheLastByteOfASector) {
    EXPECT_EQ(image.ParseS3Record(S3(0x10FFF0, Bytes(16, 0x5A))), 0);
    EXPECT_EQ(Marked(), (std::vector<int>{3}));
    EXPECT_EQ(At(0x10FFFF), 0x5A);
    EXPECT_EQ(At(0x110000), 0xFF);
}

TEST_F(FirmwareImageTest, TopOfTheImage) {
    EXPECT_EQ(image.ParseS3Record(S3(0x1FFFE0, Bytes(32, 0x01))), 0);
    EXPECT_EQ(At(0x1FFFFF), 0x01);
    image.ClearImage();
    // 0x1FFFF0 to 0x200000: starts inside, ends outside. The inside bytes are still stored.
    EXPECT_EQ(image.ParseS3Record(S3(0x1FFFF0, Bytes(17, 0x02))), 6);
    EXPECT_EQ(At(0x1FFFF0), 0x02);
    EXPECT_EQ(At(0x1FFFFF), 0x02);
    EXPECT_EQ(image.data()[FirmwareImage::kFlashSize], 0xFF);
    EXPECT_EQ(Marked(), (std::vector<int>{18}));
}

TEST_F(FirmwareImageTest, RecordStartingBelowTheImage) {
    EXPECT_EQ(image.ParseS3Record(S3(0x000FFFF0, Bytes(32, 0x03))), 5);
    EXPECT_EQ(At(0x100000), 0x03);
    EXPECT_EQ(At(0x10000F), 0x03);
    EXPECT_EQ(At(0x100010), 0xFF);
    EXPECT_EQ(Marked(), (std::vector<int>{0}));
}

TEST_F(FirmwareImageTest, RecordsWhollyOutsideReadNoData) {
    EXPECT_EQ(image.ParseS3Record(S3(0x00000000, Bytes(32, 0x04))), 4);
    EXPECT_EQ(image.ParseS3Record(S3(0x000FFFDF, Bytes(32, 0x04))), 4);
    EXPECT_EQ(image.ParseS3Record(S3(0x00200000, Bytes(32, 0x04))), 4);
    // Every address byte counts: 0x01100000 is not the image's 0x100000.
    EXPECT_EQ(image.ParseS3Record(S3(0x01100000, Bytes(32, 0x04))), 4);
    // The end address wraps past 2^32 to a low address: still wholly outside.
    EXPECT_EQ(image.ParseS3Record(S3(0xFFFFFFF0, Bytes(32, 0x04))), 4);
    // No data digit is looked at: bad digits after the address do not matter.
    EXPECT_EQ(image.ParseS3Record("S3250020000000zz"), 4);
    EXPECT_TRUE(Marked().empty());
}

TEST_F(FirmwareImageTest, OverlapFailsUnlessTheFirstWriteWasBlank) {
    EXPECT_EQ(image.ParseS3Record(S3(0x100010, {0x11, 0xFF, 0x13})), 0);
    // Byte 0x100011 holds 0xFF and is free again; 0x100010 is taken, the rest still gets stored.
    EXPECT_EQ(image.ParseS3Record(S3(0x10000F, {0x20, 0x21, 0x22, 0x23, 0x24})), 7);
    EXPECT_EQ(At(0x10000F), 0x20);
    EXPECT_EQ(At(0x100010), 0x11);
    EXPECT_EQ(At(0x100011), 0x22);
    EXPECT_EQ(At(0x100012), 0x13);
    EXPECT_EQ(At(0x100013), 0x24);
    EXPECT_EQ(image.ParseS3Record(S3(0x100011, {0x30})), 7);
    EXPECT_EQ(image.ParseS3Record(S3(0x100020, {0x40})), 0);
}

TEST_F(FirmwareImageTest, LowerCaseDigitsAnywhereAreBadDigits) {
    const std::string good = S3(0x1000A0, {0xAB, 0xCD});
    ASSERT_EQ(good, "S307001000A0ABCDD0");
    for (std::size_t i = 2; i < good.size(); ++i) {
        std::string line = good;
        line[i] = static_cast<char>(std::tolower(line[i]));
        if (line == good)
            continue;
        image.ClearImage();
        EXPECT_EQ(image.ParseS3Record(line), 3) << line;
    }
}

TEST_F(FirmwareImageTest, BadChecksumIsReportedLastButDataIsStored) {
    EXPECT_EQ(image.ParseS3Record(S3(0x100000, {0x01, 0x02}, 1)), 8);
    EXPECT_EQ(At(0x100001), 0x02);
    // The checksum result wins over an overlap found on the way.
    EXPECT_EQ(image.ParseS3Record(S3(0x100000, {0x01, 0x02}, 1)), 8);
    EXPECT_EQ(image.ParseS3Record(S3(0x100000, {0x01, 0x02})), 7);
}

TEST_F(FirmwareImageTest, LinesThatAreNoS3RecordOrAreCutShort) {
    EXPECT_EQ(image.ParseS3Record(""), 1);
    EXPECT_EQ(image.ParseS3Record(":10000000"), 1);
    EXPECT_EQ(image.ParseS3Record("s3"), 1);
    EXPECT_EQ(image.ParseS3Record("S"), 2);
    EXPECT_EQ(image.ParseS3Record("S00F000068656C6C6F202020202000003C"), 2);
    EXPECT_EQ(image.ParseS3Record("S1130000285F245F2212226A000424290008237C2A"), 2);
    const std::string good = S3(0x100100, {1, 2, 3, 4});
    // Cut short inside a longer buffer, as the line reader hands lines over: no digit past the
    // line's end is read, although valid digits follow there.
    for (std::size_t cut = 2; cut < good.size(); ++cut) {
        image.ClearImage();
        EXPECT_EQ(image.ParseS3Record(std::string_view(good).substr(0, cut)), 3) << cut;
        const std::size_t whole = cut > 12 ? std::min<std::size_t>((cut - 12) / 2, 4) : 0;
        for (std::uint32_t k = 0; k < 4; ++k)
            EXPECT_EQ(At(0x100100 + k), k < whole ? k + 1 : 0xFF) << cut << " " << k;
    }
    EXPECT_EQ(image.ParseS3Record(good + "trailing text ignored"), 7);
}

TEST_F(FirmwareImageTest, CountBelowFiveWrapsToLongRecords) {
    // (4 - 5) mod 256 = 255 data bytes, the longest record: 514 characters.
    const std::string line = S3(0x100200, Bytes(255, 0x77));
    ASSERT_EQ(line.substr(2, 2), "04");
    ASSERT_EQ(line.size(), 4 + 8 + 510 + 2u);
    EXPECT_EQ(image.ParseS3Record(line), 0);
    EXPECT_EQ(At(0x100200 + 254), 0x77);
    EXPECT_EQ(At(0x100200 + 255), 0xFF);
    EXPECT_EQ(image.ParseS3Record(S3(0x100400, Bytes(250, 0x66))), 0);
    EXPECT_EQ(At(0x100400 + 249), 0x66);
}

TEST_F(FirmwareImageTest, BadDigitsAreFoundWhereverTheRestWouldPass) {
    // A bad count digit, even in a line that would parse with a count of 0 (251 data bytes).
    std::string line = S3(0x100000, Bytes(251, 0x00));
    ASSERT_EQ(line.substr(2, 2), "00");
    line[3] = 'G';
    EXPECT_EQ(image.ParseS3Record(line), 3);
    // A bad data digit in a record crossing the image's top: not a checksum error further on.
    line = S3(0x1FFFF0, Bytes(32, 0x12));
    line[12 + 2 * 20] = 'x';
    EXPECT_EQ(image.ParseS3Record(line), 3);
    // Any byte, 0xFF and NUL included, high or low digit, is looked up without leaving the tables.
    for (const std::size_t at : {12, 13, 14, 15}) {
        for (const char bad : {'\xFF', '\0'}) {
            line = S3(0x100100, {1, 2});
            line[at] = bad;
            image.ClearImage();
            EXPECT_EQ(image.ParseS3Record(line), 3) << at << " " << int(bad);
        }
    }
}

TEST_F(FirmwareImageTest, DataOfAnyLengthWithABadDigitOrATakenByteAnywhere) {
    // Records of 1 to 40 data bytes, read in runs and one by one alike: a bad digit in byte p
    // stores the bytes before it and gives 3; a byte already taken at p keeps its value and gives
    // 7 while every other byte is stored; a record without either stores all with a good sum.
    constexpr std::uint32_t kStart = 0x100101; // odd, so that runs do not follow the 8-byte grid
    enum Fault { kNone, kHighDigit, kLowDigit, kTaken };
    for (std::uint32_t n = 1; n <= 40; ++n) {
        std::vector<std::uint8_t> data(n);
        for (std::uint32_t i = 0; i < n; ++i)
            data[i] = static_cast<std::uint8_t>(i * 37 + 0xC8); // 0xFF among them
        for (std::uint32_t p = 0; p < n; ++p) {
            for (Fault fault : {kNone, kHighDigit, kLowDigit, kTaken}) {
                SCOPED_TRACE(::testing::Message() << n << " bytes, fault " << fault << " at " << p);
                image.ClearImage();
                std::string line = S3(kStart, data);
                if (fault == kHighDigit || fault == kLowDigit)
                    line[12 + 2 * p + (fault == kLowDigit ? 1 : 0)] = 'g';
                if (fault == kTaken) {
                    ASSERT_EQ(image.StoreImageByte(kStart + p, 0x55), 0);
                }
                const int expected = fault == kNone ? 0 : fault == kTaken ? 7 : 3;
                ASSERT_EQ(image.ParseS3Record(line), expected);
                for (std::uint32_t i = 0; i < n; ++i) {
                    const bool stored = fault == kNone || (fault == kTaken ? i != p : i < p);
                    const std::uint8_t kept = fault == kTaken && i == p ? 0x55 : 0xFF;
                    ASSERT_EQ(At(kStart + i), stored ? data[i] : kept) << i;
                }
                ASSERT_EQ(At(kStart + n), 0xFF);
            }
        }
    }
}

TEST_F(FirmwareImageTest, RecordWithoutDataAtASectorStartMarksOnlyThatSector) {
    EXPECT_EQ(image.ParseS3Record(S3(0x110000, {})), 0);
    EXPECT_EQ(Marked(), (std::vector<int>{4}));
}

TEST_F(FirmwareImageTest, AnOverlapWinsOverARecordCrossingTheImagesEdge) {
    // A record that starts below the image (5) or ends above it (6) still reports an overlap (7),
    // and stores its other bytes that fall inside.
    struct Case {
        std::uint32_t taken, start, count, freeInside;
    };
    for (const Case& c : {Case{0x100000, 0x0FFFF0, 32, 0x10000F}, Case{0x1FFFF8, 0x1FFFF0, 17, 0x1FFFF0}}) {
        image.ClearImage();
        ASSERT_EQ(image.StoreImageByte(c.taken, 0x55), 0);
        EXPECT_EQ(image.ParseS3Record(S3(c.start, Bytes(c.count, 0x66))), 7) << std::hex << c.start;
        EXPECT_EQ(At(c.taken), 0x55);
        EXPECT_EQ(At(c.freeInside), 0x66);
    }
}

TEST_F(FirmwareImageTest, NonBlankBytesMarkTheirSectorAndThePaddingMarksNone) {
    const std::pair<std::uint32_t, std::vector<int>> cases[] = {
        {0x00000, {0}},  {0x03FFF, {0}},
        {0x04000, {1}},  {0x05FFF, {1}},
        {0x06000, {2}},  {0x0FFFF, {3}},
        {0x10000, {4}},  {0x12345, {4}},
        {0xEFFFF, {17}}, {0xF0000, {18}},
        {0xFFFFF, {18}}, {0x100000, {}},
        {0x10001F, {}},  {FirmwareImage::kImageSize - 1, {}}};
    for (const auto& [offset, sectors] : cases) {
        image.ClearImage();
        image.data()[offset] = 0x00;
        image.MarkNonBlankSectors();
        EXPECT_EQ(Marked(), sectors) << std::hex << offset;
    }
}

} // namespace
} // namespace bf
