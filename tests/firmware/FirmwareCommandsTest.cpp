#include "firmware/FirmwareCommands.h"
#include "core/FileUtil.h"
#include "firmware/FirmwareFile.h"
#include "tests/firmware/FirmwareCommandsFixture.h"
#include "tests/support/FolderSize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <utility>

namespace bf {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::S3;
using test::TempDir;
using test::WriteBytes;
using test::WriteText;
using Lines = std::vector<std::string>;
using test::FirmwareCommandsTest;

TEST_F(FirmwareCommandsTest, DialogFilters) {
    OpenFirmware(host, *image, state);
    SaveFirmwareAs(host, *image);
    ASSERT_EQ(host.dialogs.size(), 2u);
    EXPECT_FALSE(host.dialogs[0].save);
    ASSERT_EQ(host.dialogs[0].filters.size(), 2u);
    EXPECT_EQ(host.dialogs[0].filters[0].description, "Brenvaldor Firmware (*.hex;*.bin)");
    EXPECT_EQ(host.dialogs[0].filters[0].pattern, "*.hex;*.bin");
    EXPECT_EQ(host.dialogs[0].filters[1].description, "All files (*.*)");
    EXPECT_EQ(host.dialogs[0].filters[1].pattern, "*.*");
    EXPECT_TRUE(host.dialogs[1].save);
    ASSERT_EQ(host.dialogs[1].filters.size(), 2u);
    EXPECT_EQ(host.dialogs[1].filters[0].description, "Brenvaldor Firmware (*.bin)");
    EXPECT_EQ(host.dialogs[1].filters[0].pattern, "*.bin");
    EXPECT_EQ(host.dialogs[1].filters[1].pattern, "*.*");
}

TEST_F(FirmwareCommandsTest, CancelledOpenOnlyEmptiesTheLog) {
    OpenFirmware(host, *image, state);
    EXPECT_EQ(host.clears, 1);
    EXPECT_TRUE(host.log.empty());
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(image->data()[0], 0x00);
    EXPECT_FALSE(state.loaded);
}

TEST_F(FirmwareCommandsTest, HexFileIsConvertedAndCounted) {
    OpenHex({"S00F000068656C6C6F202020202000003C", S3(0x100000, Bytes(32, 0x01)), "", S3(0x150000, {0x02}),
             "S1130000285F245F2212226A000424290008237C2A", S3(0x150040, {0x03}), "S70500000000FA"});
    EXPECT_EQ(host.logSinceClear, Concat({"HEX FILE: FW.HEX", "HEX FILE CONVERTED OK"}, CountLines(2, 3)));
    EXPECT_EQ(state.m_nBlocksToErase, 2);
    EXPECT_EQ(state.m_nBlocksToWrite, 3);
    EXPECT_TRUE(state.loaded);
    EXPECT_EQ(At(0x10001F), 0x01);
    EXPECT_EQ(At(0x150040), 0x03);
    EXPECT_EQ(At(0x150041), 0xFF);
    EXPECT_TRUE(host.boxes.empty());
    // Reset, rising percentages ending at 100, then the reset after counting.
    const auto p = host.Shown();
    ASSERT_GE(p.size(), 3u);
    EXPECT_EQ(p.front(), -1);
    EXPECT_EQ(p[p.size() - 2], 100);
    EXPECT_EQ(p.back(), -1);
    EXPECT_TRUE(std::is_sorted(p.begin() + 1, p.end() - 1));
}

TEST_F(FirmwareCommandsTest, ProgressOfLineFeedFilesStaysWithin100) {
    std::string text;
    for (std::uint32_t a = 0; a < 0x100; a += 4)
        text += S3(0x100000 + a, {1, 2, 3, 4}) + "\n\n";
    WriteText(dir / "lf.hex", text);
    Open(dir / "lf.hex");
    // The bytes actually read count: the last record ends one line feed before the file's end.
    const auto p = host.Shown();
    EXPECT_EQ(*std::max_element(p.begin(), p.end()), 99);
}

// Eight records in eight blocks, as a tool writes them with its own line ends.
std::string EightBlockFile(const std::string& lineEnd) {
    std::string text = "S00600004844521B" + lineEnd;
    for (std::uint32_t block = 0; block < 8; ++block)
        text += S3(0x100000 + block * 0x40, Bytes(32, static_cast<std::uint8_t>(block + 1))) + lineEnd;
    return text + "S70500000000FA" + lineEnd;
}

TEST_F(FirmwareCommandsTest, EveryLineEndFormAndAByteOrderMarkLoadLikeTheLineFeedFile) {
    WriteText(dir / "lf.hex", EightBlockFile("\n"));
    Open(dir / "lf.hex");
    ASSERT_EQ(state.m_nBlocksToWrite, 8);
    const std::vector<std::uint8_t> twin(image->data(), image->data() + FirmwareImage::kImageSize);

    const std::pair<const char*, std::string> variants[] = {
        {"crlf.hex", EightBlockFile("\r\n")},
        {"cr.hex", EightBlockFile("\r")},
        {"lfcr.hex", EightBlockFile("\n\r")},
        {"bom.hex", "\xEF\xBB\xBF" + EightBlockFile("\n")},
        {"bomcrlf.hex", "\xEF\xBB\xBF" + EightBlockFile("\r\n")},
    };
    for (const auto& [name, text] : variants) {
        SCOPED_TRACE(name);
        WriteText(dir / name, text);
        Open(dir / name);
        EXPECT_TRUE(state.loaded);
        EXPECT_TRUE(host.boxes.empty());
        EXPECT_EQ(host.logSinceClear[1], "HEX FILE CONVERTED OK");
        EXPECT_EQ(state.m_nBlocksToErase, 1);
        EXPECT_EQ(state.m_nBlocksToWrite, 8);
        EXPECT_TRUE(std::equal(twin.begin(), twin.end(), image->data())) << "not byte for byte the same";
        EXPECT_EQ(host.Shown()[host.Shown().size() - 2], 100);
    }
}

TEST_F(FirmwareCommandsTest, FileCutShortWhileReadIsAReadError) {
    // Far more than one read of the loader, cut back at a line end once the first lines are in.
    std::string text;
    std::size_t cut = 0;
    for (std::uint32_t a = 0; text.size() < 300000; a += 32) {
        text += S3(0x100000 + a, Bytes(32, 0x5A)) + "\r\n";
        if (cut == 0 && text.size() > 100000)
            cut = text.size();
    }
    WriteText(dir / "copying.hex", text);
    host.onProgress = [&](int percent, int) {
        if (percent > 0)
            std::filesystem::resize_file(dir / "copying.hex", cut);
    };
    Open(dir / "copying.hex");

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "Cannot read the file \"" + (dir / "copying.hex") + "\":\nThe file changed while it was read");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(host.logSinceClear, Lines{"HEX FILE: COPYING.HEX"});
    EXPECT_FALSE(state.loaded);
}

TEST_F(FirmwareCommandsTest, ConversionAndBinaryLoadCompareTheBytesReadWithTheLength) {
    const std::string hex = S3(0x100000, {0x01}) + "\n";
    const std::string bin(3000, '\x11');
    const auto image2 = std::make_unique<FirmwareImage>();
    const struct {
        const std::string& content;
        std::uint64_t lengthAtStart;
        int expected;
    } cases[] = {
        {hex, hex.size(), 0},
        {hex, hex.size() + 1, kFileChangedWhileRead},
        {hex, hex.size() - 1, kFileChangedWhileRead},
        {bin, bin.size(), 0},
        {bin, bin.size() + 1, kFileChangedWhileRead},
        {bin, bin.size() - 1, kFileChangedWhileRead},
        // Beyond the image size only the image size is read.
        {bin, FirmwareImage::kImageSize + 5, kFileChangedWhileRead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.size());
        SCOPED_TRACE(c.lengthAtStart);
        MemorySource source(c.content);
        image2->ClearImage();
        const int error = &c.content == &hex
                              ? ConvertSRecordFile(source, c.lengthAtStart, *image2, [](int) {}).readError
                              : ReadBinaryImage(source, c.lengthAtStart, *image2);
        EXPECT_EQ(error, c.expected);
    }
    const std::string big(FirmwareImage::kImageSize + 5, '\x22');
    MemorySource source(big);
    EXPECT_EQ(ReadBinaryImage(source, FirmwareImage::kImageSize + 5, *image2), 0);
}

// Gives at most seven bytes a read, as a slow device or a pipe would.
class Trickle final : public ByteSource {
  public:
    explicit Trickle(std::string_view bytes) : m_rest(bytes) {}
    std::size_t Read(void* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, m_rest.size(), std::size_t{7}});
        std::copy_n(m_rest.begin(), n, static_cast<char*>(buffer));
        m_rest.remove_prefix(n);
        return n;
    }
    int Error() const override { return 0; }

  private:
    std::string_view m_rest;
};

TEST_F(FirmwareCommandsTest, BinaryLoadJoinsShortReadsAndReportsAFailedRead) {
    std::string bytes(3000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + (i >> 8));
    const auto image2 = std::make_unique<FirmwareImage>();
    image2->ClearImage();
    Trickle trickle(bytes);
    EXPECT_EQ(ReadBinaryImage(trickle, bytes.size(), *image2), 0);
    EXPECT_EQ(std::memcmp(image2->data(), bytes.data(), bytes.size()), 0);
    EXPECT_EQ(image2->data()[bytes.size()], FirmwareImage::kBlank);

    // A file longer than the image fills it to its last byte, a few bytes at a time.
    const std::string longer(FirmwareImage::kImageSize + 5, '\x33');
    Trickle longTrickle(longer);
    EXPECT_EQ(ReadBinaryImage(longTrickle, longer.size(), *image2), 0);
    EXPECT_EQ(image2->data()[FirmwareImage::kImageSize - 1], 0x33);

    MemorySource failing(bytes, EIO);
    EXPECT_EQ(ReadBinaryImage(failing, bytes.size(), *image2), EIO);
}

TEST_F(FirmwareCommandsTest, FileWithoutS3RecordsConvertsToAnEmptyImage) {
    OpenHex({"S00600004844521B", ":100000000C9434000C9446000C9446000C9446006A", "S9030000FC"});
    EXPECT_EQ(host.logSinceClear, Concat({"HEX FILE: FW.HEX", "HEX FILE CONVERTED OK"}, CountLines(0, 0)));
    EXPECT_EQ(image->data()[0], 0xFF);
    EXPECT_TRUE(state.loaded);
}

TEST_F(FirmwareCommandsTest, EachConversionErrorStopsWithItsBox) {
    const std::pair<std::string, std::string> cases[] = {
        {"Error: 1", "S3070010000001020e"},         {"Error: 2", S3(0x180000, {0x07})},
        {"Error: 3", S3(0x000FFFF0, Bytes(32, 0))}, {"Error: 4", S3(0x1FFFF0, Bytes(17, 0))},
        {"Error: 5", S3(0x200000, Bytes(4, 0))},    {"Error: 6", S3(0x100040, {0x01}, 1)},
    };
    for (const auto& [box, bad] : cases) {
        SCOPED_TRACE(box);
        OpenHex({S3(0x100000, Bytes(40, 0x05))});
        ASSERT_TRUE(state.loaded);
        host.boxes.clear();
        OpenHex({S3(0x180000, {0x09}), bad, S3(0x190000, {0x0A})});
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, box);
        EXPECT_EQ(host.boxes[0].caption, "");
        EXPECT_EQ(host.boxes[0].icon, BoxIcon::None);
        // No further line, counts of the previous image, not loaded, lines before kept, none after.
        EXPECT_EQ(host.logSinceClear, Lines{"HEX FILE: FW.HEX"});
        EXPECT_EQ(state.m_nBlocksToErase, 1);
        EXPECT_EQ(state.m_nBlocksToWrite, 2);
        EXPECT_FALSE(state.loaded);
        EXPECT_EQ(At(0x180000), 0x09);
        EXPECT_EQ(At(0x190000), 0xFF);
        EXPECT_EQ(host.progress.back().reset, 0);
    }
}

TEST_F(FirmwareCommandsTest, BinaryFilesOfEverySize) {
    std::vector<std::uint8_t> exact = Bytes(0x100000, 0xFF);
    exact[0] = 0x00;
    exact[0x1FFFF] = 0x10; // sector 4
    exact[0xFFFFF] = 0x20; // sector 18
    WriteBytes(dir / "exact.bin", exact);
    Open(dir / "exact.bin");
    EXPECT_EQ(host.logSinceClear, Concat({"BIN FILE: EXACT.BIN"}, CountLines(3, 3)));
    EXPECT_TRUE(std::equal(exact.begin(), exact.end(), image->data()));
    EXPECT_EQ(image->data()[0x10001F], 0xFF);
    EXPECT_EQ(host.Shown(), (std::vector<int>{-1, -1}));

    std::vector<std::uint8_t> longer = Bytes(0x100020 + 100, 0x33);
    longer[0x10001F] = 0x44;
    WriteBytes(dir / "longer.bin", longer);
    Open(dir / "longer.bin");
    EXPECT_EQ(image->data()[0x10001F], 0x44);
    EXPECT_EQ(state.m_nBlocksToErase, 19);
    EXPECT_EQ(state.m_nBlocksToWrite, 32768);

    WriteBytes(dir / "short.bin", Bytes(0x4001, 0x00));
    Open(dir / "short.bin");
    EXPECT_EQ(image->data()[0x4000], 0x00);
    EXPECT_EQ(image->data()[0x4001], 0xFF);
    EXPECT_EQ(state.m_nBlocksToErase, 2);
    EXPECT_EQ(state.m_nBlocksToWrite, 0x4001 / 32 + 1);
    EXPECT_TRUE(state.loaded);
}

TEST_F(FirmwareCommandsTest, ExtensionTestIgnoresCase) {
    OpenHex({S3(0x100000, {0x01})}, "UPPER.HEX");
    ASSERT_FALSE(host.logSinceClear.empty());
    EXPECT_EQ(host.logSinceClear[0], "HEX FILE: UPPER.HEX");
    EXPECT_EQ(At(0x100000), 0x01);
    WriteBytes(dir / "Mixed.Bin", {0x02});
    Open(dir / "Mixed.Bin");
    ASSERT_FALSE(host.logSinceClear.empty());
    EXPECT_EQ(host.logSinceClear[0], "BIN FILE: MIXED.BIN");
    EXPECT_EQ(At(0x100000), 0x02);
}

TEST_F(FirmwareCommandsTest, OtherExtensionClearsTheImageAndLoadsNothing) {
    OpenHex({S3(0x100000, {0x01})});
    WriteText(dir / "notes.txt", S3(0x100000, {0x01}) + "\r\n");
    Open(dir / "notes.txt");
    EXPECT_EQ(host.logSinceClear, CountLines(0, 0));
    EXPECT_EQ(At(0x100000), 0xFF);
}

TEST_F(FirmwareCommandsTest, OpenTellsTheSizeOfTheFileItRead) {
    const std::string text = S3(0x100000, {0x01}) + "\r\n";
    WriteText(dir / "fw.hex", text);
    host.fileAnswers.push_back(dir / "fw.hex");
    EXPECT_EQ(OpenFirmware(host, *image, state).fileSize, text.size());
    host.fileAnswers.push_back(dir / "missing.hex");
    EXPECT_EQ(OpenFirmware(host, *image, state).fileSize, 0u);
}

TEST_F(FirmwareCommandsTest, UnopenableFileKeepsTheImageAndCountsAgain) {
    OpenHex({S3(0x100000, {0x01})});
    Open(dir / "missing.hex");
    EXPECT_EQ(host.logSinceClear, CountLines(1, 1));
    EXPECT_EQ(At(0x100000), 0x01);
    EXPECT_TRUE(state.loaded);
    std::filesystem::create_directory(dir / "folder.hex");
    Open(dir / "folder.hex");
    EXPECT_EQ(host.logSinceClear, CountLines(1, 1));
    EXPECT_EQ(At(0x100000), 0x01);

    // Before any load the all-zero image stays not loaded.
    auto fresh = std::make_unique<FirmwareImage>();
    ImageState freshState;
    host.fileAnswers.push_back(dir / "missing.bin");
    OpenFirmware(host, *fresh, freshState);
    EXPECT_FALSE(freshState.loaded);
    EXPECT_EQ(freshState.m_nBlocksToErase, 0);
    EXPECT_EQ(freshState.m_nBlocksToWrite, 32768);
}

TEST_F(FirmwareCommandsTest, LongFileNameIsLoggedWhole) {
    const std::string name = std::string(200, 'l') + ".hex";
    OpenHex({S3(0x100000, {0x01})}, name);
    ASSERT_FALSE(host.logSinceClear.empty());
    EXPECT_EQ(host.logSinceClear[0], "HEX FILE: " + std::string(200, 'L') + ".HEX");
}

TEST_F(FirmwareCommandsTest, LongestRecordTheParserReadsIsLoaded) {
    // Count 04 wraps around to 255 data bytes: 524 characters, the longest record there is.
    const std::string record = S3(0x130000, Bytes(255, 0x21));
    ASSERT_EQ(record.substr(2, 2), "04");
    ASSERT_EQ(record.size(), FirmwareImage::kMaxRecordChars);
    OpenHex({record});
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(At(0x130000 + 254), 0x21);
    EXPECT_EQ(At(0x130000 + 255), 0xFF);
}

TEST_F(FirmwareCommandsTest, LongLinesAreParsedWholeInBoundedMemory) {
    const std::string longest = S3(0x110000, Bytes(250, 0x12)); // 514 characters
    const std::string garbage = "#" + std::string(6'000'000, 'G');
    const std::string trailing = S3(0x120000, {0x34}) + std::string(3'000'000, '0');
    OpenHex({longest, garbage, trailing});
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(state.loaded);
    EXPECT_EQ(At(0x110000 + 249), 0x12);
    EXPECT_EQ(At(0x120000), 0x34);
    // A megabytes-long S3 line of digits is read as far as its count says and fails on the checksum.
    OpenHex({"S3FF00100000" + std::string(4'000'000, 'A')});
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Error: 6");
}

TEST_F(FirmwareCommandsTest, SaveAsAddsBinAndReportsEachPercentageOnce) {
    OpenHex({S3(0x100000, {0xAB})});
    host.progress.clear();
    // Each percentage shown must match the share of the file on the disk at that moment.
    std::vector<std::pair<int, std::uintmax_t>> steps;
    host.onPump = [&] {
        steps.emplace_back(host.progress.back().percent, test::BytesInFolder(dir.path()) * 100 / 1048608);
    };
    SaveAs(dir / "out");
    host.onPump = nullptr;
    ASSERT_EQ(steps.size(), 99u);
    for (const auto& [percent, onDisk] : steps)
        EXPECT_EQ(static_cast<std::uintmax_t>(percent), onDisk);
    const auto saved = ReadBytes(dir / "out.bin");
    ASSERT_EQ(saved.size(), 1048608u);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), image->data()));
    std::vector<int> expected{-1};
    for (int p = 1; p <= 99; ++p)
        expected.push_back(p);
    expected.push_back(-1);
    EXPECT_EQ(host.Shown(), expected);
    EXPECT_EQ(host.log.size(), 4u); // Save As writes no log line

    SaveAs(dir / "out.hex");
    SaveAs(dir / "UPPER.BIN");
    SaveAs(dir / "mixed.Bin");
    EXPECT_EQ(dir.Names().size(), 5u);
    EXPECT_TRUE(std::filesystem::exists(dir / "out.hex.bin"));
    EXPECT_TRUE(std::filesystem::exists(dir / "UPPER.BIN"));
    EXPECT_TRUE(std::filesystem::exists(dir / "mixed.Bin"));
}

TEST_F(FirmwareCommandsTest, SaveAsBeforeAnyOpenWritesZeros) {
    SaveAs(dir / "zeros.bin");
    EXPECT_EQ(ReadBytes(dir / "zeros.bin"), Bytes(1048608, 0x00));
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(FirmwareCommandsTest, SaveAsToAnUncreatableTargetWritesNothing) {
    SaveAs(dir / "missing/out.bin");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "Cannot write the file \"" + (dir / "missing/out.bin") + "\":\nNo such file or directory");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    EXPECT_TRUE(dir.Names().empty());
    EXPECT_EQ(host.progress.back().reset, 1);
}

TEST_F(FirmwareCommandsTest, AppendedNameThatExistsNeedsConfirmation) {
    WriteText(dir / "out.bin", "old");
    host.confirmOverwrite = false;
    SaveAs(dir / "out");
    EXPECT_EQ(host.overwriteQuestions, Lines{dir / "out.bin"});
    EXPECT_EQ(ReadBytes(dir / "out.bin").size(), 3u);
    host.confirmOverwrite = true;
    SaveAs(dir / "out");
    EXPECT_EQ(ReadBytes(dir / "out.bin").size(), 1048608u);
    SaveAs(dir / "out.bin"); // confirmed by the dialog itself
    EXPECT_EQ(host.overwriteQuestions.size(), 2u);
}

} // namespace
} // namespace bf
