#include "params/ParameterBackup.h"
#include "tests/params/ParamsFixture.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <iterator>
#include <optional>

namespace bf::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using ParameterBackupTest = ParamsFixture;

TEST_F(ParameterBackupTest, StoresTheTextUpToTheEndPairAndCountsCarriageReturns) {
    AnswerReadWith({0xFF, 0x23, 'a', 'b', 'c', 0x0D, 0x0A, 'd', 'e', 'f', 0x0D, 0x0A, 0xFF, 0x04});
    host.fileAnswers.push_back(PathOf("params"));
    ParameterBackup(session);

    EXPECT_EQ(ReadFile(PathOf("params.txt")), "abc\r\ndef\r\n");
    EXPECT_THAT(host.logSinceClear, ElementsAre("OPEN SERIAL PORT COM1:38400", "READ SETUP PARAMETERS",
                                                "NUMBER OF PARAMETERS 2", "SERIAL PORT CLOSED"));
    EXPECT_EQ(port.written, (Bytes{0xFF, 0x01, 0xFF, 0x21, 0xFF, 0x24, 0xFF, 0x20}));
    EXPECT_EQ(host.toolbar, (std::vector<std::vector<bool>>{{false, false, false}, {true, true, true}}));
    EXPECT_TRUE(model.printoutOn);
    EXPECT_FALSE(port.IsOpen());
    ASSERT_TRUE(host.dialogs.size() == 1 && host.dialogs[0].save);
}

TEST_F(ParameterBackupTest, DropsEscapeBytesKeepsLoneEndBytesAndCountsOnlyCarriageReturns) {
    AnswerReadWith(
        {0xFF, 0x23, 0x04, 'a', 0xFF, 0x02, 0x0A, 0xFF, 0xFF, 'b', 0x0D, 0x0A, 0x04, 0xFF, 0xFF, 0x04, 'z'});
    host.fileAnswers.push_back(PathOf("p.txt"));
    ParameterBackup(session);

    EXPECT_EQ(ReadFile(PathOf("p.txt")), std::string("\x04"
                                                     "a\x02\nb\r\n\x04"));
    EXPECT_TRUE(Logged("NUMBER OF PARAMETERS 1"));
}

TEST_F(ParameterBackupTest, PrintoutWithoutEndPairIsKeptAfterTwoSecondsOfSilence) {
    AnswerReadWith({0xFF, 0x23, 'a', 'b', 0x0D});
    host.fileAnswers.push_back(PathOf("cut.txt"));
    ParameterBackup(session);

    EXPECT_EQ(ReadFile(PathOf("cut.txt")), "ab\r");
    EXPECT_THAT(host.logSinceClear,
                ElementsAre("OPEN SERIAL PORT COM1:38400", "READ SETUP PARAMETERS", "SERIAL PORT CLOSED"));
}

TEST_F(ParameterBackupTest, CaptureHandlesEventsAfterEachByteAndEndsJust2000MsAfterTheLast) {
    // FF 23, then a, b, CR and silence: the capture pumps after each of its three bytes and ends
    // at its first look more than 2000 ms after the last one; FF 20 follows at once.
    std::vector<std::uint32_t> pumpsAt;
    host.onPump = [&] { pumpsAt.push_back(clock.nowMs()); };
    std::uint32_t readAt = 0, printoutOnAt = 0, lastPumpBeforeOn = 0;
    model.faults.replyOverride = [&](const Bytes& command) -> std::optional<Bytes> {
        if (command == Bytes{0xFF, 0x24}) {
            readAt = clock.nowMs();
            return Bytes{0xFF, 0x23, 'a', 'b', 0x0D};
        }
        if (command == Bytes{0xFF, 0x20}) {
            printoutOnAt = clock.nowMs();
            lastPumpBeforeOn = pumpsAt.back();
        }
        return std::nullopt;
    };
    host.fileAnswers.push_back(PathOf("cut.txt"));
    ParameterBackup(session);

    EXPECT_EQ(ReadFile(PathOf("cut.txt")), "ab\r");
    // One pump step of the pair wait (after FF; it returns on 23), then one per captured byte.
    EXPECT_EQ(std::count_if(pumpsAt.begin(), pumpsAt.end(),
                            [&](std::uint32_t t) { return t > readAt && t <= lastPumpBeforeOn; }),
              4);
    EXPECT_EQ(printoutOnAt - lastPumpBeforeOn, 2001u);
}

TEST_F(ParameterBackupTest, SilentControllerCostsFourWaitsAndKeepsTheConfirmedFile) {
    model.faults.silent = true;
    WriteFile(PathOf("old.txt"), "previous backup");
    host.fileAnswers.push_back(PathOf("old.txt"));
    const std::uint32_t start = clock.nowMs();
    std::uint32_t lastPump = start, longestGap = 0; // the capture's silence must pass without pumping
    host.onPump = [&] {
        longestGap = std::max(longestGap, clock.nowMs() - lastPump);
        lastPump = clock.nowMs();
    };
    ParameterBackup(session);

    EXPECT_THAT(host.logSinceClear,
                ElementsAre("OPEN SERIAL PORT COM1:38400", "HANDSHAKE CONTROLLER - NO ANSWER",
                            "DRIVE PRINTOUT OFF - NO ANSWER", "READ SETUP PARAMETERS - NO ANSWER",
                            "PARAMETER FILE KEPT - NOTHING RECEIVED", "DRIVE PRINTOUT ON - NO ANSWER",
                            "SERIAL PORT CLOSED"));
    EXPECT_EQ(ReadFile(PathOf("old.txt")), "previous backup");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1); // no temporary left
    const std::uint32_t elapsed = clock.nowMs() - start;
    EXPECT_GE(elapsed, 42000u);
    EXPECT_LE(elapsed, 42050u);
    EXPECT_GE(longestGap, 2000u);
    EXPECT_TRUE(host.overwriteQuestions.empty()); // the dialog asked about this very name
}

TEST_F(ParameterBackupTest, OnlyACaptureThatReceivedDataReplacesAnExistingFile) {
    const struct {
        const char* name;
        bool silent;
        Bytes answer;  // to FF 24 (empty: the model's own printout)
        bool existing; // the file was there before
        std::optional<std::string> after;
    } cases[] = {
        {"silent, existing file", true, {}, true, "old backup"},
        {"silent, no file", true, {}, false, ""},
        {"empty printout, existing file", false, {0xFF, 0x23, 0xFF, 0x04}, true, "old backup"},
        {"one byte, existing file", false, {0xFF, 0x23, 'x', 0xFF, 0x04}, true, "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = PathOf(std::string(c.name) + ".txt");
        if (c.existing)
            WriteFile(path, "old backup");
        model.faults.silent = c.silent;
        if (!c.answer.empty())
            AnswerReadWith(c.answer);
        host.fileAnswers.push_back(path);
        ParameterBackup(session);

        EXPECT_EQ(ReadFile(path), c.after);
        EXPECT_EQ(Logged("PARAMETER FILE KEPT - NOTHING RECEIVED"), c.existing && c.after == "old backup");
        EXPECT_EQ(host.log.back(), "SERIAL PORT CLOSED");
        host.log.clear();
    }
}

// The command line's backup keeps no part: only a whole printout is written, and anything less
// leaves no new file and the old one as it was.
TEST_F(ParameterBackupTest, WithoutPartsOnlyAWholePrintoutIsWritten) {
    const std::string whole = model.parameterPrintout;
    const struct {
        const char* name;
        bool silent;
        Bytes answer; // to FF 24 (empty: the model's own printout)
        std::size_t cap;
        bool existing;
        std::optional<std::string> after;
    } cases[] = {
        {"whole, existing file", false, {}, ParameterCapture::kDefaultCap, true, whole},
        {"whole, no file", false, {}, ParameterCapture::kDefaultCap, false, whole},
        {"too large, existing file", false, {}, 10, true, "old backup"},
        {"too large, no file", false, {}, 10, false, std::nullopt},
        {"silent, existing file", true, {}, ParameterCapture::kDefaultCap, true, "old backup"},
        {"silent, no file", true, {}, ParameterCapture::kDefaultCap, false, std::nullopt},
        {"no end mark, existing file",
         false,
         {0xFF, 0x23, 'a', '\r'},
         ParameterCapture::kDefaultCap,
         true,
         "old backup"},
        {"no end mark, no file",
         false,
         {0xFF, 0x23, 'a', '\r'},
         ParameterCapture::kDefaultCap,
         false,
         std::nullopt},
    };
    std::size_t files = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = PathOf(std::string(c.name) + ".txt");
        if (c.existing)
            WriteFile(path, "old backup");
        model.faults.silent = c.silent;
        if (!c.answer.empty())
            AnswerReadWith(c.answer);
        host.fileAnswers.push_back(path);
        const CommandResult r = ParameterBackup(session, {.keepPartial = false, .captureCap = c.cap});

        EXPECT_EQ(r.end == CommandResult::End::Done, c.after == whole);
        EXPECT_EQ(ReadFile(path), c.after);
        files += c.after ? 1 : 0;
        EXPECT_EQ(static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {})),
                  files)
            << "a temporary file was left";
        EXPECT_EQ(host.log.back(), "SERIAL PORT CLOSED");
    }
}

TEST_F(ParameterBackupTest, LongPrintoutIsKeptWholeAndItsProgressStaysWithinHundred) {
    std::string printout;
    for (int i = 0; i < 20000; ++i) // 260000 bytes, far beyond the old fixed buffer
        printout += "PARAM=" + std::to_string(10000 + i) + "\r\n";
    model.parameterPrintout = printout;
    host.fileAnswers.push_back(PathOf("long.txt"));
    ParameterBackup(session);

    EXPECT_EQ(ReadFile(PathOf("long.txt")), printout);
    EXPECT_TRUE(Logged("NUMBER OF PARAMETERS 20000"));
    const std::vector<int> percents = Percents();
    ASSERT_EQ(percents.size(), 20000u);
    for (int k = 1; k <= 300; ++k)
        ASSERT_EQ(percents[k - 1], (100 * (k - 1)) / 300) << "line " << k;
    for (std::size_t k = 301; k <= percents.size(); ++k)
        ASSERT_EQ(percents[k - 1], 100) << "line " << k;
}

TEST_F(ParameterBackupTest, FullCaptureStopsWithLineAndBoxAndKeepsWhatArrived) {
    model.parameterPrintout = "abcdefghijklmno\r\n";
    host.fileAnswers.push_back(PathOf("cap.txt"));
    ParameterBackup(session, {.captureCap = 10});

    EXPECT_EQ(ReadFile(PathOf("cap.txt")), "abcdefghij");
    EXPECT_TRUE(Logged("PARAMETER PRINTOUT TOO LARGE - CAPTURE STOPPED"));
    EXPECT_FALSE(Logged("NUMBER OF PARAMETERS 1"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(host.log.back(), "SERIAL PORT CLOSED");
    EXPECT_TRUE(model.printoutOn);
}

TEST_F(ParameterBackupTest, AppendedExtensionOnAnExistingFileNeedsItsOwnConfirmation) {
    WriteFile(PathOf("keep.txt"), "keep me");
    host.confirmOverwrite = false;
    host.fileAnswers.push_back(PathOf("keep"));
    ParameterBackup(session);

    EXPECT_THAT(host.overwriteQuestions, ElementsAre(PathOf("keep.txt")));
    EXPECT_EQ(ReadFile(PathOf("keep.txt")), "keep me");
    EXPECT_TRUE(port.opens.empty());
    EXPECT_TRUE(host.toolbar.empty());

    host.confirmOverwrite = true;
    host.fileAnswers.push_back(PathOf("keep"));
    ParameterBackup(session);
    EXPECT_EQ(ReadFile(PathOf("keep.txt")), model.parameterPrintout);
}

TEST_F(ParameterBackupTest, PulledAdapterEndsSoundlyAndLeavesTheOldFile) {
    // During the capture, and after the whole printout while the answer to FF 20 is awaited:
    // the old file stays in both cases, since the backup failed.
    const struct {
        const char* when;
        bool wholePrintout;
        int port; // a fresh adapter each time
    } cases[] = {{"during the capture", false, 1}, {"waiting for the printout to go on", true, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        port.AttachController(c.port, model);
        settings.m_nPort = c.port;
        model.parameterPrintout = std::string(300, 'x') + "\r\n";
        model.faults.silentOn = {0x20};
        WriteFile(PathOf("p.txt"), "old");
        vanished = false;
        host.log.clear();
        int bytesSeen = 0;
        VanishWhen([&] {
            return c.wholePrintout ? Logged("NUMBER OF PARAMETERS 1")
                                   : Logged("READ SETUP PARAMETERS") && ++bytesSeen > 100;
        });
        host.fileAnswers.push_back(PathOf("p.txt"));
        EXPECT_EQ(ParameterBackup(session).code, 9);

        EXPECT_EQ(Logged("NUMBER OF PARAMETERS 1"), c.wholePrintout);
        EXPECT_EQ(ReadFile(PathOf("p.txt")), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1); // no temporary left
        ASSERT_GE(host.log.size(), 2u);
        EXPECT_THAT(host.log[host.log.size() - 2], HasSubstr("SERIAL PORT FAILURE - ERROR 2"));
        EXPECT_EQ(host.log.back(), "SERIAL PORT CLOSED");
        EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST_F(ParameterBackupTest, UncreatableFileIsLoggedAndTheLinkStillEndsNormally) {
    host.fileAnswers.push_back(PathOf("missing/p.txt"));
    ParameterBackup(session);

    EXPECT_TRUE(Logged("PARAMETER FILE CANNOT BE CREATED - NO SUCH FILE OR DIRECTORY"));
    for (const std::string& line : host.log)
        EXPECT_THAT(line, ::testing::Not(::testing::StartsWith("NUMBER OF PARAMETERS")));
    EXPECT_TRUE(model.printoutOn);
    EXPECT_EQ(host.log.back(), "SERIAL PORT CLOSED");
}

TEST_F(ParameterBackupTest, AutoSearchFindsTheControllerOrShowsTheCableBox) {
    settings.m_bAutoPort = 1;
    host.fileAnswers.push_back(PathOf("a.txt"));
    ParameterBackup(session);
    EXPECT_EQ(settings.m_nPort, 1);
    EXPECT_EQ(ReadFile(PathOf("a.txt")), model.parameterPrintout);

    model.faults.silent = true;
    host.fileAnswers.push_back(PathOf("b.txt"));
    ParameterBackup(session);
    EXPECT_EQ(settings.m_nPort, 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "No answer from Brenvaldor\nCheck that serial cable is attached to Port P211");
    EXPECT_EQ(host.boxes[0].caption, "Error: 1");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
    EXPECT_FALSE(std::filesystem::exists(PathOf("b.txt")));
}

TEST_F(ParameterBackupTest, CancelledDialogDoesNothing) {
    ParameterBackup(session);
    EXPECT_EQ(host.clears, 0);
    EXPECT_TRUE(host.toolbar.empty());
    EXPECT_TRUE(port.opens.empty());
}

} // namespace
} // namespace bf::test
