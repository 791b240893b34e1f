// What info prints about an image: merged ranges, wire time; the exit statuses and the report.
#include "cli/ImageSummary.h"
#include "cli/ExitStatus.h"
#include "cli/JsonReport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <sstream>
#include <vector>

namespace bf::cli {
namespace {

struct RangeCase {
    const char* name;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> filled; // image offsets [from, to)
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges; // controller addresses, both ends
};

const RangeCase kRangeCases[] = {
    {"Empty", {}, {}},
    {"OneByte", {{0x1001, 0x1002}}, {{0x101001, 0x101001}}},
    {"AdjacentBlocksMerge", {{0x00, 0x20}, {0x20, 0x40}}, {{0x100000, 0x10003F}}},
    {"AGapOfABlankBlockSplits", {{0x00, 0x20}, {0x40, 0x60}}, {{0x100000, 0x10001F}, {0x100040, 0x10005F}}},
    {"AGapInsideABlockDoesNotSplit", {{0x00, 0x04}, {0x1C, 0x22}}, {{0x100000, 0x100021}}},
    {"LastByteOfTheFlash", {{0xFFFFF, 0x100000}}, {{0x1FFFFF, 0x1FFFFF}}},
    {"WholeSector", {{0x10000, 0x20000}}, {{0x110000, 0x11FFFF}}},
    {"PaddingIsNoFlash", {{0xFFFF0, 0x100020}}, {{0x1FFFF0, 0x1FFFFF}}},
};

class NonBlankRangesTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(NonBlankRangesTest, MergesAndTrims) {
    auto image = std::make_unique<FirmwareImage>();
    image->ClearImage();
    for (const auto& [from, to] : GetParam().filled)
        for (std::uint32_t o = from; o < to; ++o)
            image->data()[o] = 0x5A;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> got;
    for (const AddressRange& r : NonBlankRanges(*image))
        got.emplace_back(r.first, r.last);
    EXPECT_EQ(got, GetParam().ranges);
}

INSTANTIATE_TEST_SUITE_P(Cases, NonBlankRangesTest, ::testing::ValuesIn(kRangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WireTime, ThirtyEightBytesOfElevenBitsPerFrame) {
    EXPECT_DOUBLE_EQ(WritePhaseWireSeconds(32768, 57600), 32768 * 418.0 / 57600);
    EXPECT_DOUBLE_EQ(WritePhaseWireSeconds(0, 9600), 0);
}

TEST(Summary, NamesSectorsFramesAndWireTimes) {
    auto image = std::make_unique<FirmwareImage>();
    image->ClearImage();
    for (std::uint32_t o = 0; o < 0x40000; ++o)
        image->data()[o] = o < 0x20 || o >= 0x10000 ? 0x55 : 0xFF;
    image->MarkNonBlankSectors();
    const ImageState state{image->CountEraseFrames(), image->CountWriteFrames(), true};
    const auto lines = ImageSummary(*image, state, "binary image", 1048608);
    const std::vector<std::string> expected{"type: binary image, 1048608 bytes",
                                            "non-blank ranges: 2",
                                            "  0x100000-0x10001F (32 bytes)",
                                            "  0x110000-0x13FFFF (196608 bytes)",
                                            "sectors to erase: 0 4 5 6",
                                            "erase frames: 4",
                                            "write frames: 6145",
                                            "write phase on the wire:",
                                            "   9600 bit/s: 4 min 28 s",
                                            "  19200 bit/s: 2 min 14 s",
                                            "  38400 bit/s: 1 min 07 s",
                                            "  57600 bit/s: 0 min 45 s"};
    EXPECT_EQ(lines, expected);
    const auto frames = EraseFrameLines(*image);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0], "erase frame: F2 00 (sector 0, 0x100000-0x103FFF)");
    EXPECT_EQ(frames[3], "erase frame: F2 06 (sector 6, 0x130000-0x13FFFF)");
}

TEST(Summary, WireTimesCarryFullMinutes) {
    auto image = std::make_unique<FirmwareImage>();
    image->ClearImage();
    const auto wire = [&](std::int32_t frames, std::size_t rateIndex) {
        const auto lines = ImageSummary(*image, ImageState{0, frames, true}, "S-record", 0);
        return lines[lines.size() - 4 + rateIndex];
    };
    // 8300 frames of 418 bits at 57600 bit/s: 60.2 s; 32768 at 9600: 1426.8 s.
    EXPECT_EQ(wire(8300, 3), "  57600 bit/s: 1 min 00 s");
    EXPECT_EQ(wire(32768, 0), "   9600 bit/s: 23 min 47 s");
}

TEST(ExitStatus, OneStatusPerEnd) {
    using End = CommandResult::End;
    EXPECT_EQ(ExitStatusOf(CommandResult::Done(), FileRole::Input), 0);
    EXPECT_EQ(ExitStatusOf(CommandResult::Failed(5), FileRole::Input), 5);
    EXPECT_EQ(ExitStatusOf(CommandResult::Of(End::ChecksumMismatch), FileRole::Input), 10);
    EXPECT_EQ(ExitStatusOf(CommandResult::Of(End::FileFailed), FileRole::Input), 66);
    EXPECT_EQ(ExitStatusOf(CommandResult::Of(End::FileFailed), FileRole::Output), 73);
    EXPECT_EQ(ExitStatusOf(CommandResult::Of(End::Aborted), FileRole::Output), 130);
    EXPECT_EQ(ExitStatusOf(CommandResult::Of(End::Cancelled), FileRole::Output), 70);
}

TEST(ExitStatus, EveryStatusTheProgramReturnsIsInTheHelpTable) {
    const std::vector<int> statuses{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 64, 65, 66, 70, 73, 74, 130};
    for (int status : statuses)
        EXPECT_FALSE(ExitStatusText(status).empty()) << status;
    EXPECT_EQ(ExitStatusText(11), "");
    // The table after its heading: one row per status, in order, each with its text.
    std::istringstream help(ExitStatusHelp());
    std::string line;
    std::getline(help, line);
    std::vector<int> listed;
    while (std::getline(help, line)) {
        std::istringstream row(line);
        int status = -1;
        std::string firstWord;
        row >> status >> firstWord;
        EXPECT_FALSE(firstWord.empty()) << line;
        EXPECT_EQ(line.find("(null)"), std::string::npos) << line;
        listed.push_back(status);
    }
    EXPECT_EQ(listed, statuses);
}

TEST(ExitStatus, ASubcommandsTableListsItsOwnStatusesOnly) {
    EXPECT_EQ(ExitStatusHelp({0, 66, 130}),
              "Exit status:\n"
              "  0    success\n"
              "  66   the input file is missing or unreadable\n"
              "  130  interrupted by Ctrl-C, SIGTERM or SIGHUP (port closed, no output file)\n");
}

TEST(Report, HoldsEveryKeyAndSurvivesBytesThatAreNotUtf8) {
    Report r{"param-backup",
             "COM1",
             "/dev/ttyS0",
             38400,
             0,
             "",
             {"READ SETUP PARAMETERS", "PARAMETER --> \xE4\r "},
             1.5,
             std::nullopt};
    const std::string text = JsonReport(r);
    EXPECT_EQ(text.find('\n'), std::string::npos); // one object on one line
    const auto j = nlohmann::json::parse(text);
    EXPECT_EQ(j.size(), 9u);
    EXPECT_EQ(j["command"], "param-backup");
    EXPECT_EQ(j["device"], "/dev/ttyS0");
    EXPECT_EQ(j["baud"], 38400);
    EXPECT_EQ(j["log"][1], "PARAMETER --> \xEF\xBF\xBD\r ");
    EXPECT_TRUE(j["output"].is_null());
    EXPECT_DOUBLE_EQ(j["elapsed_s"].get<double>(), 1.5);
    r.output = "/tmp/p.txt";
    EXPECT_EQ(nlohmann::json::parse(JsonReport(r))["output"], "/tmp/p.txt");
}

} // namespace
} // namespace bf::cli
