#include "fuzz/HostilePort.h"
#include "serial/CSerialException.h"
#include "tests/link/LinkFixture.h"
#include "tests/support/ScriptedReplies.h"

namespace bf::test {
namespace {

struct LinkTest : LinkFixture {
    LinkTest() { OpenStandard(port, 1); }
};

TEST_F(LinkTest, HandshakeJudgesOnlyTheFirstByte) {
    EXPECT_EQ(Handshake(session), 0);
    EXPECT_EQ(port.written, Bytes{0xF1});

    for (std::size_t extra : {3u, 200u}) { // 200: more than one read of the 64-byte buffer
        model.faults.extraBytesOn[0xF1] = extra;
        EXPECT_EQ(Handshake(session), 0);
        EXPECT_EQ(port.BytesAvailable(), 0u) << "the extra bytes are read and dropped";
    }

    Answer(0xF1, {0x02, 0x01});
    EXPECT_EQ(Handshake(session), 2);
}

TEST_F(LinkTest, SilentHandshakeGivesUpJustAfterFiveSecondsEvenWhenClosing) {
    model.faults.silent = true;
    host.closeRequested = true; // the handshake does not watch the closing flag
    const std::uint32_t start = clock.nowMs();
    EXPECT_EQ(Handshake(session), 1);
    EXPECT_EQ(clock.nowMs() - start, timeout::Handshake + 1);
    EXPECT_GT(host.pumps, 0);
    // While nothing arrives the wait sleeps in the port, in slices of at most 10 ms, instead of
    // spinning through the event handling.
    EXPECT_LE(host.pumps, static_cast<long>(timeout::Handshake / 10 + 1));
}

TEST_F(LinkTest, ReplyWaitUsesTheStrictTimeOutRule) {
    model.faults.answerDelayMs = 2001;
    SendBytes(session, &cmd::Handshake, 1);
    EXPECT_EQ(WaitForReply(session, 1, 2000, true).count, 1u) << "a byte at start + 2001 still counts";
    Remaining();

    model.faults.answerDelayMs = 2002;
    SendBytes(session, &cmd::Handshake, 1);
    const std::uint32_t start = clock.nowMs();
    const ReplyWait late = WaitForReply(session, 1, 2000, true);
    EXPECT_EQ(late.count, 0u);
    EXPECT_FALSE(late.aborted);
    EXPECT_EQ(clock.nowMs() - start, 2001u);
}

TEST_F(LinkTest, ReplyWaitReportsAShortCountAfterItsTimeOut) {
    Answer(0xF7, Bytes(10, 0x07));
    SendBytes(session, &cmd::ReportChecksums, 1);
    EXPECT_EQ(WaitForReply(session, 29, timeout::Verify, true).count, 10u);
    EXPECT_EQ(port.BytesAvailable(), 10u) << "the wait reads nothing";
}

TEST_F(LinkTest, ReplyWaitWithPartOfTheReplyInSleepsBetweenItsPasses) {
    Answer(0xF7, Bytes(10, 0x07));
    SendBytes(session, &cmd::ReportChecksums, 1);
    const std::uint32_t start = clock.nowMs();
    EXPECT_EQ(WaitForReply(session, 29, timeout::Verify, true).count, 10u);
    EXPECT_EQ(clock.nowMs() - start, timeout::Verify + 1);
    // A pass that did not sleep would be one pump step (1 ms here) of a spinning loop.
    EXPECT_LT(host.pumps, 400) << "the wait spun instead of sleeping until more input";
    EXPECT_GT(host.pumps, 200) << "the window is pumped at least every 10 ms";
}

TEST_F(LinkTest, CloseRequestEndsOnlyAWaitThatAllowsIt) {
    model.faults.silent = true;
    const std::uint32_t start = clock.nowMs();
    host.onPump = [&] {
        if (clock.nowMs() - start >= 300)
            host.closeRequested = true;
    };
    const ReplyWait aborted = WaitForReply(session, 1, 2000, true);
    EXPECT_TRUE(aborted.aborted);
    EXPECT_LT(clock.nowMs() - start, 310u);

    const ReplyWait full = WaitForReply(session, 1, 2000, false);
    EXPECT_FALSE(full.aborted);
}

TEST_F(LinkTest, BaudSwitchReopensAtTheNewRateAndPausesWithoutPumping) {
    const long pumps = host.pumps;
    const std::uint32_t start = clock.nowMs();
    EXPECT_EQ(SwitchBaudRate(session, 1, 57600), 0);
    EXPECT_EQ(host.pumps, pumps) << "the answer was there at once; the pause does not pump";
    EXPECT_EQ(clock.nowMs() - start, timeout::AfterBaudSwitch);
    ASSERT_EQ(port.opens.size(), 2u);
    EXPECT_EQ(port.closes, 1) << "closed before it is opened again";
    EXPECT_EQ(port.opens[1].baud, 57600u);
    EXPECT_TRUE(port.nonBlockingReads);
    EXPECT_EQ(Handshake(session), 0) << "both ends now at 57600";
}

TEST(LinkStrayBytes, WhatArrivesWhileTheLineSettlesAfterARateSwitchIsNoAnswer) {
    // The controller confirms the switch at once; a stray byte follows 100 ms into the pause
    // after the port opened again. The next command must not take it for its answer.
    VirtualClock clock;
    RecordingHost host{clock};
    ScriptedReplies replies([](int, const Bytes& written) -> fuzz::Reply {
        if (written.empty())
            return {{100, {0x55}}};
        if (written == Bytes{0xFD})
            return {{0, {0x0D}}};
        return {};
    });
    const fuzz::SessionSetup setup;
    fuzz::HostilePort port(clock, replies, setup);
    PortSettings settings;
    Session session{host, clock, port, settings};
    OpenStandard(port, 1);
    ASSERT_EQ(SwitchBaudRate(session, 1, 57600), 0);
    EXPECT_EQ(port.BytesAvailable(), 0u);
}

TEST_F(LinkTest, SwitchToTheRateInUseStillRunsInFull) {
    const std::uint32_t start = clock.nowMs();
    EXPECT_EQ(SwitchBaudRate(session, 1, 9600), 0);
    EXPECT_EQ(port.written, Bytes{0xF9});
    ASSERT_EQ(port.opens.size(), 2u);
    EXPECT_EQ(port.opens[1].baud, 9600u);
    EXPECT_EQ(clock.nowMs() - start, 500u);
}

TEST_F(LinkTest, BaudSwitchFailuresKeepThePortAtTheOldRate) {
    model.faults.extraBytesOn[0xFB] = 1; // 0B, then one more byte
    EXPECT_EQ(SwitchBaudRate(session, 1, 38400), 3);
    model.faults.extraBytesOn.clear();
    model.baudRate = 9600;
    Answer(0xFB, {0x42, 0x0B}); // two bytes are 3 even when the first is wrong too
    EXPECT_EQ(SwitchBaudRate(session, 1, 38400), 3);
    model.faults.replyOverride = nullptr;
    model.baudRate = 9600;
    model.faults.wrongByteOn[0xFA] = 0x0B;
    EXPECT_EQ(SwitchBaudRate(session, 1, 19200), 9);
    model.baudRate = 9600;
    model.faults.silent = true;
    host.closeRequested = true; // the switch does not watch the closing flag
    const std::uint32_t start = clock.nowMs();
    EXPECT_EQ(SwitchBaudRate(session, 1, 57600), 8);
    EXPECT_EQ(clock.nowMs() - start, timeout::Reply + 1);
    EXPECT_EQ(port.opens.size(), 1u);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(SwitchBaudRate(session, 1, 4800), 9) << "an unknown rate sends nothing";
    EXPECT_EQ(port.written, (Bytes{0xFB, 0xFB, 0xFA, 0xFD}));
}

TEST_F(LinkTest, PairIsFoundAndWhatFollowsStaysQueued) {
    Answer(0x01, {0x41, 0xFF, 0x02, 0x33});
    const std::uint8_t hello[] = {0xFF, 0x01};
    SendBytes(session, hello, 2);
    EXPECT_TRUE(WaitForPair(session, 0xFF, 0x02));
    EXPECT_EQ(Remaining(), Bytes{0x33});
}

TEST_F(LinkTest, PairMustBeAdjacent) {
    const std::uint8_t hello[] = {0xFF, 0x01};
    for (const Bytes& stream : {Bytes{0xFF, 0x41, 0x02}, Bytes{0x02}}) {
        Answer(0x01, stream);
        SendBytes(session, hello, 2);
        const std::uint32_t start = clock.nowMs();
        const long pumps = host.pumps;
        EXPECT_FALSE(WaitForPair(session, 0xFF, 0x02));
        EXPECT_EQ(clock.nowMs() - start, timeout::Pair + 1);
        EXPECT_LE(host.pumps - pumps, static_cast<long>(timeout::Pair / 10 + 4)) << "sleeps while idle";
    }
}

TEST_F(LinkTest, PairWaitTakesOneBytePerPassAndReturnsOnTheSecondByte) {
    model.faults.answerDelayMs = 4000;
    const std::uint8_t hello[] = {0xFF, 0x01};
    SendBytes(session, hello, 2);
    const std::uint32_t start = clock.nowMs();
    const long pumps = host.pumps;
    EXPECT_TRUE(WaitForPair(session, 0xFF, 0x02));
    // The pair arrives at 4000 ms: one pass takes FF and pumps, the next takes 02.
    EXPECT_GT(clock.nowMs() - start, 4000u);
    EXPECT_LE(clock.nowMs() - start, 4002u);
    EXPECT_GT(host.pumps, pumps);
}

TEST_F(LinkTest, PairWaitSleepsWhileNothingIsWaiting) {
    model.faults.silent = true;
    EXPECT_FALSE(WaitForPair(session, 0xFF, 0x02));
    // A pass that did not sleep would be one pump step (1 ms here) of a spinning loop.
    EXPECT_LT(host.pumps, 1200) << "the wait spun instead of sleeping until input";
}

TEST_F(LinkTest, PortFailureInsideAPrimitiveIsNotCaught) {
    model.faults.replyOverride = [&](const Bytes&) -> std::optional<Bytes> {
        port.Vanish();
        return std::nullopt;
    };
    EXPECT_THROW(Handshake(session), CSerialException);
}

TEST(LinkLines, OpenLineFormat) {
    EXPECT_EQ(OpenSerialPortLine(12, 57600), "OPEN SERIAL PORT COM12:57600");
}

} // namespace
} // namespace bf::test
