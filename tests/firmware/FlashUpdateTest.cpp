#include "firmware/FlashUpdate.h"
#include "fuzz/HostilePort.h"
#include "tests/support/ControllerFixture.h"
#include "tests/support/ScriptedReplies.h"

#include <gmock/gmock.h>

#include <ostream>
#include <string>

namespace bf::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::vector<std::string> kCompleteLog{
    "OPEN SERIAL PORT COM1:38400", "ERASE FLASH MEMORY", "UPDATE PROGRAM", "VERIFY CHECKSUM", "CHECKSUM OK",
    "CHANGE BAUDRATE TO 9600",     "SERIAL PORT CLOSED"};
constexpr char kNoAnswerText[] = "No answer from Brenvaldor\nController must be in 'Connect PC' mode \nand "
                                 "serial cable attached to Port P211";

class FlashUpdateTest : public ControllerFixture {
  protected:
    void Run() { UpdateProgram(session, *image, state); }
    // A failed update leaves the controller at the switched rate; a technician restarts it.
    void RestartControllerAndRun() {
        model.baudRate = 9600;
        host.boxes.clear();
        Run();
    }

    // Answers write frames from a script (one entry per frame received; std::nullopt lets the model
    // write and acknowledge); frames after the script are left to the model.
    void ScriptWriteReplies(std::vector<std::optional<Bytes>> script) {
        model.faults.replyOverride = [this, script](const Bytes& command) -> std::optional<Bytes> {
            if (command.size() != FirmwareImage::kWriteFrameSize || command[0] != 0xF3)
                return std::nullopt;
            const std::size_t n = writeFramesSeen++;
            return n < script.size() ? script[n] : std::nullopt;
        };
    }
    static std::vector<std::optional<Bytes>> Repeat(std::optional<Bytes> reply, std::size_t times) {
        return std::vector<std::optional<Bytes>>(times, reply);
    }
    static std::vector<std::optional<Bytes>> Join(std::vector<std::optional<Bytes>> a,
                                                  const std::vector<std::optional<Bytes>>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    void ExpectBox(const std::string& text, const std::string& caption, BoxIcon icon = BoxIcon::Error) {
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, text);
        EXPECT_EQ(host.boxes[0].caption, caption);
        EXPECT_EQ(host.boxes[0].icon, icon);
    }
    // The update ran through: every phase, the checksums matched, no box.
    void ExpectCompleted() {
        EXPECT_EQ(host.logSinceClear, kCompleteLog);
        EXPECT_THAT(host.boxes, IsEmpty());
    }
    void ExpectFailureEnd() {
        ASSERT_FALSE(host.logSinceClear.empty());
        EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
        EXPECT_FALSE(port.IsOpen());
        ASSERT_FALSE(host.toolbar.empty());
        EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
        ASSERT_FALSE(host.progress.empty());
        EXPECT_EQ(host.progress.back().reset, 1);
    }
    void ExpectQuietReturn() {
        EXPECT_THAT(host.boxes, IsEmpty());
        ASSERT_TRUE(closeAt.has_value());
        EXPECT_EQ(port.written.size(), *closeAt) << "bytes were sent after the closing request";
        EXPECT_EQ(std::count(host.logSinceClear.begin(), host.logSinceClear.end(), "SERIAL PORT CLOSED"), 0);
        EXPECT_EQ(host.toolbar, (std::vector<std::vector<bool>>{{false, false, false}}));
    }

    Bytes FirstWriteFrame() {
        Bytes frame(FirmwareImage::kWriteFrameSize);
        image->NextWriteFrame(frame.data(), true);
        return frame;
    }
    // The counter texts of an update whose resynchronisations each wait in vain 11 times.
    static std::vector<std::string> SilentResyncCounters(int resyncs) {
        std::vector<std::string> texts{""};
        for (int i = 1; i <= 11 * resyncs; ++i)
            texts.push_back("S " + std::to_string(i));
        return texts;
    }

    std::size_t writeFramesSeen = 0;
};

TEST_F(FlashUpdateTest, WritesErasesAndVerifiesTheImage) {
    Put(0x00000, Pattern(100, 1));     // sector 0
    Put(0x10000, Pattern(0x10000, 2)); // all of sector 4
    Put(0x20010, Pattern(64, 3));      // part of sector 5
    host.counterTexts.clear();
    Run();

    ExpectCompleted();
    EXPECT_THAT(model.erasedSectors, ElementsAre(0, 4, 5));
    EXPECT_TRUE(std::equal(model.flash.begin(), model.flash.end(), image->data()));
    EXPECT_EQ(model.acceptedFrames, static_cast<std::uint32_t>(state.m_nBlocksToWrite));
    EXPECT_EQ(host.clears, 1);
    EXPECT_THAT(host.counterTexts, ElementsAre(""));
    EXPECT_EQ(host.toolbar, (std::vector<std::vector<bool>>{{false, false, false}, {true, true, true}}));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.written.back(), 0xF9);
    EXPECT_EQ(host.progress.back().reset, 1);
}

TEST_F(FlashUpdateTest, ProgressCountsErasedSectorsAndAcknowledgedFrames) {
    Put(0x04000, Pattern(32, 1));
    Put(0x06000, Pattern(32, 2));
    Put(0x08000, Pattern(64, 3));
    Run();

    // reset, erase 33 66 100, reset, writes 25 50 75 100, final reset
    EXPECT_THAT(host.Shown(), ElementsAre(-1, 33, 66, 100, -1, 25, 50, 75, 100, -1));

    // One sector and one frame: each phase goes straight to 100.
    image->ClearImage();
    Put(0x10000, Pattern(32, 4));
    host.progress.clear();
    RestartControllerAndRun();
    EXPECT_THAT(host.Shown(), ElementsAre(-1, 100, -1, 100, -1));
}

TEST_F(FlashUpdateTest, EachAnswerIsTakenAsSoonAsItArrives) {
    // 3 erases and 2049 frames answered at once: only the two 500 ms pauses (after the rate switch
    // and after the erase) and a pump step per percentage shown take time.
    Put(0x00000, Pattern(100, 1));
    Put(0x10000, Pattern(0x10000, 2));
    const std::uint32_t start = clock.nowMs();
    Run();

    ExpectCompleted();
    EXPECT_LT(clock.nowMs() - start, 1300u);
}

TEST_F(FlashUpdateTest, FullImageProgressStaysWithinZeroToHundred) {
    // 32,768 write blocks: one more than a signed 16-bit count holds.
    Put(0, Bytes(FirmwareImage::kFlashSize, 0x5A));
    ASSERT_EQ(state.m_nBlocksToWrite, 32768);
    Run();

    ExpectCompleted();
    EXPECT_FALSE(AnyNegativePercent());
    EXPECT_EQ(MaxPercent(), 100);
    EXPECT_EQ(model.acceptedFrames, 32768u);
}

TEST_F(FlashUpdateTest, RefusesWithoutACompletelyLoadedImage) {
    state = ImageState{}; // never opened: all-zero image, zero counts
    Run();

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    EXPECT_THAT(port.opens, IsEmpty());
    EXPECT_THAT(port.written, IsEmpty());
    EXPECT_THAT(host.toolbar, IsEmpty());
    EXPECT_THAT(host.progress, IsEmpty());
}

TEST_F(FlashUpdateTest, AnySingleEraseByteIsTakenAsDone) {
    Put(0x00000, Pattern(32, 1));
    Put(0x04000, Pattern(32, 1));
    Put(0x10000, Pattern(32, 1));
    std::vector<std::uint8_t> answers{0x00, 0xFF, 0x42};
    model.faults.replyOverride = [&](const Bytes& command) -> std::optional<Bytes> {
        if (command[0] != 0xF2)
            return std::nullopt;
        const std::uint8_t answer = answers.front();
        answers.erase(answers.begin());
        return Bytes{answer};
    };
    Run();

    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_EQ(CountWritten(0xF2), 3u);
    EXPECT_EQ(model.acceptedFrames, 3u);
}

TEST_F(FlashUpdateTest, EraseReplyOfMoreThanOneByteEndsWithCode3) {
    Put(0x00000, Pattern(32, 1));
    for (std::size_t extra : {1u, 200u}) { // 200 overflows the 64-byte reply buffer
        model.faults.extraBytesOn[0xF2] = extra;
        RestartControllerAndRun();

        ExpectBox("Progam - Wrong answer  ", "Error: 3");
        ExpectFailureEnd();
        EXPECT_THAT(host.logSinceClear,
                    ElementsAre("OPEN SERIAL PORT COM1:38400", "ERASE FLASH MEMORY", "SERIAL PORT CLOSED"));
    }
    EXPECT_EQ(model.writeFrames, 0u);
}

TEST_F(FlashUpdateTest, SilentEraseEndsWithCode1) {
    Put(0x00000, Pattern(32, 1));
    model.faults.silentOn.insert(0xF2);
    Run();

    ExpectBox(kNoAnswerText, "Error: 1");
    ExpectFailureEnd();
}

TEST_F(FlashUpdateTest, SixthRefusalInARowEndsWithItsCode) {
    Put(0x10000, Pattern(64, 1));
    ScriptWriteReplies(Repeat(Bytes{0x05}, 6));
    Run();

    ExpectBox("Progam - Block not empty  ", "Error: 5");
    ExpectFailureEnd();
    EXPECT_THAT(host.counterTexts, ElementsAre("", "R 1", "R 2", "R 3", "R 4", "R 5"));
    EXPECT_EQ(std::count(host.logSinceClear.begin(), host.logSinceClear.end(), "VERIFY CHECKSUM"), 0);
    EXPECT_NE(port.written.back(), 0xF9);
}

TEST_F(FlashUpdateTest, EachRefusalCodeHasItsBox) {
    const std::vector<std::pair<std::uint8_t, std::string>> cases{{0x04, "Progam - Checksum error  "},
                                                                  {0x06, "Progam - Adress out of bounds  "}};
    for (const auto& [code, text] : cases) {
        writeFramesSeen = 0;
        Put(0x10000, Pattern(32, code));
        ScriptWriteReplies(Repeat(Bytes{code}, 6));
        RestartControllerAndRun();
        ExpectBox(text, "Error: " + std::to_string(code));
    }
}

TEST_F(FlashUpdateTest, AnAcknowledgementResetsTheConsecutiveFailures) {
    // After an acknowledgement, five refusals in a row are survived and the sixth is not.
    Put(0x10000, Pattern(96, 1));
    const auto afterAck = [&](std::size_t refusals) {
        return Join(Join(Repeat(Bytes{0x05}, 4), {std::nullopt}), Repeat(Bytes{0x05}, refusals));
    };
    ScriptWriteReplies(afterAck(5));
    Run();
    ExpectCompleted();
    EXPECT_EQ(host.counterTexts.back(), "R 9");

    writeFramesSeen = 0;
    model.flash.assign(model.flash.size(), 0xFF);
    ScriptWriteReplies(afterAck(6));
    RestartControllerAndRun();
    ExpectBox("Progam - Block not empty  ", "Error: 5");
}

TEST_F(FlashUpdateTest, SilenceAtTheFailureLimitResynchronisesInsteadOfFailing) {
    // The limit is tested only when a reply byte came: after five refusals, a frame heard but not
    // answered leads to a resynchronisation, and the next acknowledgement counts.
    Put(0x10000, Pattern(32, 1));
    ScriptWriteReplies(Join(Repeat(Bytes{0x05}, 5), {Bytes{}}));
    Run();

    ExpectCompleted();
    EXPECT_EQ(host.counterTexts.back(), "S 16");
}

TEST_F(FlashUpdateTest, AnAcknowledgementAfterFiveFailuresStillCounts) {
    Put(0x10000, Pattern(64, 1));
    ScriptWriteReplies(Join(Repeat(Bytes{0x04}, 5), {std::nullopt}));
    Run();

    ExpectCompleted();
    EXPECT_EQ(model.acceptedFrames, 2u);
}

TEST_F(FlashUpdateTest, UnexpectedReplyAtTheLimitEndsWithCode1) {
    Put(0x10000, Pattern(32, 1));
    ScriptWriteReplies(Join(Repeat(Bytes{0x05}, 5), {Bytes{0x42}}));
    Run();

    ExpectBox(kNoAnswerText, "Error: 1");
}

TEST_F(FlashUpdateTest, UnexpectedReplyBelowTheLimitResynchronisesInsteadOfRefusing) {
    Put(0x10000, Pattern(32, 1));
    const Bytes frame = FirstWriteFrame();
    ScriptWriteReplies({Bytes{0x42}});
    Run();

    ExpectCompleted();
    // The frame, a lone F3 that the controller leaves unanswered, then the same frame again.
    Bytes expected{0xF1, 0xFB, 0xF2, 0x04};
    for (const Bytes& part : {frame, Bytes{0xF3}, frame, Bytes{0xF7, 0xF9}})
        expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(port.written, expected);
    EXPECT_EQ(host.counterTexts, SilentResyncCounters(1));
}

TEST_F(FlashUpdateTest, AResynchronisationCountsAsAConsecutiveFailure) {
    Put(0x10000, Pattern(32, 1));
    // Four refusals, a frame heard but not answered, then a fifth refusal: 4 + 1 reach the limit.
    ScriptWriteReplies(Join(Join(Repeat(Bytes{0x05}, 4), {Bytes{}}), {Bytes{0x05}}));
    Run();

    ExpectBox("Progam - Block not empty  ", "Error: 5");
    EXPECT_EQ(host.counterTexts.back(), "S 15");
}

TEST_F(FlashUpdateTest, ReplyLongerThanTheBufferIsDrainedWhenItAcknowledges) {
    Put(0x10000, Pattern(64, 1));
    // 03 and 99 more bytes for each frame; left queued, they would be taken for the next answer.
    model.faults.extraBytesOn[0xF3] = 99;
    Run();

    ExpectCompleted();
    EXPECT_THAT(host.counterTexts, ElementsAre(""));
}

TEST_F(FlashUpdateTest, WritingStartsHalfASecondAfterTheLastErase) {
    Put(0x10000, Pattern(32, 1));
    Put(0x20000, Pattern(32, 2));
    std::uint32_t lastEraseAt = 0, firstFrameAt = 0;
    model.faults.replyOverride = [&](const Bytes& command) -> std::optional<Bytes> {
        if (command[0] == 0xF2)
            lastEraseAt = clock.nowMs();
        if (command.size() == FirmwareImage::kWriteFrameSize && firstFrameAt == 0)
            firstFrameAt = clock.nowMs();
        return std::nullopt;
    };
    Run();

    ExpectCompleted();
    // The erase answer is there at once; the progress display takes one pump step (1 ms).
    EXPECT_GE(firstFrameAt - lastEraseAt, 500u);
    EXPECT_LE(firstFrameAt - lastEraseAt, 502u);
}

TEST_F(FlashUpdateTest, WhatArrivesDuringThePauseAfterTheErasesAcknowledgesNoFrame) {
    // A stray 03 follows the erase answer 100 ms into the pause before the writing; the frame is
    // then refused (05), each time 50 ms after it was sent. The stray byte must not pass for the
    // frame's acknowledgement: the update ends with the refusal, not with "CHECKSUM OK".
    Put(0x0, Pattern(32, 1));
    ScriptedReplies replies([this](int, const Bytes& written) -> fuzz::Reply {
        if (written.empty())
            return {};
        switch (written[0]) {
        case 0xF1:
            return {{0, {0x01}}};
        case 0xFB:
            return {{0, {0x0B}}};
        case 0xF2:
            return {{0, {0x02}}, {100, {0x03}}};
        case 0xF7: {
            Bytes report{0x07};
            for (std::uint8_t sector = 4; sector <= 17; ++sector)
                report.insert(report.end(), {static_cast<std::uint8_t>(image->SectorChecksum(sector) >> 8),
                                             static_cast<std::uint8_t>(image->SectorChecksum(sector))});
            return {{0, report}};
        }
        default:
            return written.size() == FirmwareImage::kWriteFrameSize ? fuzz::Reply{{50, {0x05}}}
                                                                    : fuzz::Reply{};
        }
    });
    const fuzz::SessionSetup setup;
    fuzz::HostilePort scripted(clock, replies, setup);
    Session scriptedSession{host, clock, scripted, settings};

    EXPECT_EQ(UpdateProgram(scriptedSession, *image, state).code, 5);
    EXPECT_FALSE(std::count(host.log.begin(), host.log.end(), "CHECKSUM OK"));
}

TEST_F(FlashUpdateTest, ThirtyResendsAreSurvivedTheThirtyFirstIsNot) {
    Put(0x10000, Pattern(32 * 40, 1));
    std::vector<std::optional<Bytes>> spread;
    for (int i = 0; i < 30; ++i) {
        spread.push_back(Bytes{0x04});
        spread.push_back(std::nullopt);
    }
    ScriptWriteReplies(spread);
    Run();
    ExpectCompleted();
    EXPECT_EQ(host.counterTexts.back(), "R 30");

    writeFramesSeen = 0;
    spread.push_back(Bytes{0x04});
    ScriptWriteReplies(spread);
    model.flash.assign(model.flash.size(), 0xFF);
    RestartControllerAndRun();
    ExpectBox("Progam - To many resends ", "Error: 7");
    EXPECT_EQ(host.counterTexts.back(), "R 31");
}

TEST_F(FlashUpdateTest, SilentWritePhaseResynchronisesThreeTimes) {
    Put(0x10000, Pattern(32, 1));
    model.faults.silentOn.insert(0xF3);
    Run();

    EXPECT_EQ(host.counterTexts, SilentResyncCounters(3));
    ExpectBox("Progam - To many resends ", "Error: 7");
    // handshake, rate, one erase, then three times a frame followed by a lone F3
    EXPECT_EQ(port.written.size(), 4u + 3 * (37 + 1));
}

TEST_F(FlashUpdateTest, ResynchronisationStopsAtTheFirstByteAndDiscardsIt) {
    Put(0x10000, Pattern(32, 1));
    std::vector<std::uint32_t> frameTimes;
    // The first frame's answer, a refusal, comes 2300 ms late, inside the first resynchronising
    // wait; it is thrown away unread and the frame is sent again. Read as the answer to the resent
    // frame, it would count a refusal ("R 2") before the real 03.
    model.faults.replyOverride = [&](const Bytes& command) -> std::optional<Bytes> {
        if (command.size() != FirmwareImage::kWriteFrameSize)
            return std::nullopt;
        frameTimes.push_back(clock.nowMs());
        model.faults.answerDelayMs = writeFramesSeen++ == 0 ? 2300 : 0;
        return writeFramesSeen == 1 ? std::optional<Bytes>(Bytes{0x04}) : std::nullopt;
    };
    Run();

    ExpectCompleted();
    EXPECT_THAT(host.counterTexts, ElementsAre("", "S 1"));
    EXPECT_EQ(writeFramesSeen, 2u);
    ASSERT_EQ(frameTimes.size(), 2u);
    EXPECT_LE(frameTimes[1] - frameTimes[0], 2302u) << "the resend follows the late byte at once";
    EXPECT_EQ(model.acceptedFrames, 1u);
}

TEST_F(FlashUpdateTest, VerificationReplyMustBeExactly29BytesStartingWith07) {
    Put(0x10000, Pattern(32, 1));
    model.faults.extraBytesOn[0xF7] = 1;
    Run();
    ExpectBox("Wrong answer from Brenvaldor  ", "Error: 2");
    ExpectFailureEnd();

    model.faults.extraBytesOn.clear();
    model.faults.wrongByteOn[0xF7] = 0x08;
    model.flash.assign(model.flash.size(), 0xFF);
    RestartControllerAndRun();
    ExpectBox("Wrong answer from Brenvaldor  ", "Error: 2");

    model.faults.wrongByteOn.clear();
    model.flash.assign(model.flash.size(), 0xFF);
    model.faults.replyOverride = [](const Bytes& c) -> std::optional<Bytes> {
        return c == Bytes{0xF7} ? std::optional<Bytes>(Bytes(28, 0x07)) : std::nullopt;
    };
    RestartControllerAndRun();
    ExpectBox("Wrong answer from Brenvaldor  ", "Error: 2");
}

TEST_F(FlashUpdateTest, SilentVerificationEndsWithCode1AfterThreeSeconds) {
    Put(0x10000, Pattern(32, 1));
    std::uint32_t sentAt = 0;
    model.faults.replyOverride = [&](const Bytes& c) -> std::optional<Bytes> {
        if (c != Bytes{0xF7})
            return std::nullopt;
        sentAt = clock.nowMs();
        return Bytes{}; // heard, never answered
    };
    Run();
    ExpectBox(kNoAnswerText, "Error: 1");
    EXPECT_GT(clock.nowMs() - sentAt, 3000u);
    EXPECT_LE(clock.nowMs() - sentAt, 3005u);
}

TEST_F(FlashUpdateTest, ChecksumMismatchIsOnlyLogged) {
    Put(0x10000, Pattern(32, 1));
    model.faults.replyOverride = [](const Bytes& c) -> std::optional<Bytes> {
        if (c != Bytes{0xF7})
            return std::nullopt;
        Bytes reply(29, 0x00);
        reply[0] = 0x07;
        return reply;
    };
    Run();

    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_THAT(std::vector<std::string>(host.logSinceClear.end() - 3, host.logSinceClear.end()),
                ElementsAre("CHECKSUM ERROR", "CHANGE BAUDRATE TO 9600", "SERIAL PORT CLOSED"));
}

TEST_F(FlashUpdateTest, ImageWithoutWriteBlocksIsRefusedBeforeThePort) {
    // A record without data bytes marks its sector, so the image has an erase block but no write block.
    image->MarkSector(0x110000);
    Recount();
    ASSERT_EQ(state.m_nBlocksToErase, 1);
    host.AppendLog("EARLIER LINE");
    Run();

    ExpectBox("The loaded file holds no firmware data for the controller.\n"
              "Open an S-record file with S3 records (*.hex) or a binary image (*.bin).",
              "");
    EXPECT_THAT(port.opens, IsEmpty());
    EXPECT_THAT(port.written, IsEmpty());
    EXPECT_THAT(host.logSinceClear, ElementsAre("EARLIER LINE"));
    EXPECT_THAT(host.toolbar, IsEmpty());
    EXPECT_THAT(host.progress, IsEmpty());
}

TEST_F(FlashUpdateTest, NoBaudReplyShowsTheGenericBox) {
    model.faults.silentOn.insert(0xFB);
    Put(0x10000, Pattern(32, 1));
    Run();

    ExpectBox("Error: 8", "", BoxIcon::None);
    ExpectFailureEnd();
}

TEST_F(FlashUpdateTest, AutoWithoutControllerShowsBox1) {
    sim::SimPort empty{clock};
    Session lonely{host, clock, empty, settings};
    settings.m_bAutoPort = 1;
    settings.m_nPort = 0;
    Put(0x10000, Pattern(32, 1));
    UpdateProgram(lonely, *image, state);

    ExpectBox(kNoAnswerText, "Error: 1");
    EXPECT_GT(host.logSinceClear.size(), 1u);
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_EQ(std::count_if(host.logSinceClear.begin(), host.logSinceClear.end(),
                            [](const std::string& l) { return l.rfind("OPEN SERIAL PORT", 0) == 0; }),
              0);
}

TEST_F(FlashUpdateTest, PortThatCannotBeOpenedShowsBox9) {
    port.SetOpenError(1, 5);
    Put(0x10000, Pattern(32, 1));
    Run();

    ExpectBox("Serial port busy or not found  ", "Error: 9");
    EXPECT_THAT(host.logSinceClear, ElementsAre("OPEN SERIAL PORT COM1:38400", "SERIAL PORT CLOSED"));
}

struct ClosingPhase {
    const char* name;
    std::uint8_t silentCommand;
    const char* logLine; // the request comes while this is the last line
    const char* counter; // or while the counter shows this
};

void PrintTo(const ClosingPhase& phase, std::ostream* os) {
    *os << phase.name;
}

class FlashUpdateClosingTest : public FlashUpdateTest, public ::testing::WithParamInterface<ClosingPhase> {};

TEST_P(FlashUpdateClosingTest, ClosingRequestEndsTheUpdateSilently) {
    const ClosingPhase phase = GetParam();
    Put(0x10000, Pattern(32, 1));
    model.faults.silentOn.insert(phase.silentCommand);
    RequestCloseWhen([&] {
        if (phase.counter)
            return !host.counterTexts.empty() && host.counterTexts.back() == phase.counter;
        return host.logSinceClear.back() == phase.logLine;
    });
    Run();

    ExpectQuietReturn();
    EXPECT_EQ(host.logSinceClear.back(), phase.logLine);
}

INSTANTIATE_TEST_SUITE_P(Phases, FlashUpdateClosingTest,
                         ::testing::Values(ClosingPhase{"erase", 0xF2, "ERASE FLASH MEMORY", nullptr},
                                           ClosingPhase{"write", 0xF3, "UPDATE PROGRAM", nullptr},
                                           ClosingPhase{"resync", 0xF3, "UPDATE PROGRAM", "S 3"},
                                           ClosingPhase{"verify", 0xF7, "VERIFY CHECKSUM", nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlashUpdateTest, PulledAdapterMidWriteEndsSoundly) {
    Put(0x10000, Pattern(32 * 50, 1));
    model.faults.answerDelayMs = 2; // so that the write waits pump
    VanishWhen([&] { return model.writeFrames == 10; });
    Run();

    ASSERT_TRUE(vanished);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Error: 9");
    EXPECT_FALSE(host.boxes[0].text.empty());
    ExpectFailureEnd();
}

} // namespace
} // namespace bf::test
