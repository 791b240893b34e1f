#include "sim/SimPort.h"
#include "serial/CSerialException.h"
#include "serial/LineTiming.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

namespace bf::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct SimPortTest : ::testing::Test {
    test::VirtualClock clock;
    ControllerModel model;
    SimPort port{clock};

    SimPortTest() { port.AttachController(1, model); }

    void Send(const Bytes& bytes) { port.Write(bytes.data(), bytes.size()); }
    Bytes ReadAll() {
        Bytes bytes(port.BytesAvailable());
        bytes.resize(port.Read(bytes.data(), bytes.size()));
        return bytes;
    }
    std::uint32_t ErrorOf(const std::function<void()>& call) {
        try {
            call();
        } catch (const CSerialException& e) {
            return e.m_errorCode;
        }
        return 0;
    }
};

TEST_F(SimPortTest, AnswerArrivesAtItsDueTime) {
    OpenStandard(port, 1);
    EXPECT_TRUE(port.nonBlockingReads);
    EXPECT_TRUE(port.writeTimeout);
    model.faults.answerDelayMs = 50;
    Send({0xF1});
    clock.advance(49);
    EXPECT_EQ(port.BytesAvailable(), 0u);
    clock.advance(1);
    EXPECT_EQ(ReadAll(), Bytes{0x01});
    EXPECT_EQ(port.written, Bytes{0xF1});
}

TEST_F(SimPortTest, ReadTakesAtMostTheCountAndLeavesTheRest) {
    OpenStandard(port, 1);
    Send({0xFF, 0x01});
    std::uint8_t one = 0;
    EXPECT_EQ(port.Read(&one, 1), 1u);
    EXPECT_EQ(one, 0xFF);
    EXPECT_EQ(port.BytesAvailable(), 1u);
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 1u);
    EXPECT_EQ(buffer[0], 0x02);
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
}

TEST_F(SimPortTest, WaitForInputMovesTheClockToTheNextByteOrByTheMaximum) {
    OpenStandard(port, 1);
    const std::uint32_t start = clock.nowMs();
    port.WaitForInput(300);
    EXPECT_EQ(clock.nowMs() - start, 300u) << "nothing due: the full wait";

    model.faults.answerDelayMs = 120;
    Send({0xF1});
    port.WaitForInput(1000);
    EXPECT_EQ(clock.nowMs() - start, 420u);
    EXPECT_EQ(port.BytesAvailable(), 1u);
    port.WaitForInput(1000);
    EXPECT_EQ(clock.nowMs() - start, 420u) << "input waiting: returns at once";
}

TEST_F(SimPortTest, WaitForInputWithBytesInWaitsForMoreThanThose) {
    OpenStandard(port, 1);
    Send({0xF1});
    model.faults.answerDelayMs = 50;
    Send({0xF1});
    const std::uint32_t start = clock.nowMs();
    port.WaitForInput(1000, 1);
    EXPECT_EQ(clock.nowMs() - start, 50u);
    EXPECT_EQ(ReadAll(), (Bytes{0x01, 0x01}));
}

TEST_F(SimPortTest, WithLineTimingTheControllerHearsEachByteWhenItIsIn) {
    port.SetLineTiming(true);
    OpenStandard(port, 1); // 9600 bit/s: 1.15 ms a byte
    const std::uint32_t start = clock.nowMs();
    Send({0xFF, 0x01});
    Send({0x41});
    EXPECT_EQ(port.wireEndMs, (std::vector<std::uint32_t>{start + 2, start + 3, start + 4}));
    clock.advance(2);
    EXPECT_EQ(port.BytesAvailable(), 0u) << "the pair is not in yet";
    clock.advance(1);
    EXPECT_EQ(ReadAll(), (Bytes{0xFF, 0x02}));
}

TEST_F(SimPortTest, DrainWaitsUntilTheLastByteWrittenIsIn) {
    port.SetLineTiming(true);
    OpenStandard(port, 1);
    const Bytes text(100, 'x'); // 114.6 ms at 9600 bit/s
    const std::uint32_t start = clock.nowMs();
    Send(text);
    port.Drain();
    EXPECT_EQ(clock.nowMs() - start, 115u);
    port.Drain();
    EXPECT_EQ(clock.nowMs() - start, 115u) << "nothing left: no wait";
    EXPECT_EQ(port.drains, 2);
}

TEST_F(SimPortTest, StalledDrainRunsOutItsLimitAndDiscardsTheOutput) {
    port.SetLineTiming(true);
    port.StallDrains();
    OpenStandard(port, 1);
    std::uint32_t start = clock.nowMs();
    Send({0xFF, 0x01});
    port.Drain();
    EXPECT_EQ(clock.nowMs() - start, DrainLimitMs(2, 9600));
    clock.advance(100);
    EXPECT_EQ(port.BytesAvailable(), 0u) << "the controller never heard the discarded pair";

    start = clock.nowMs();
    Send({0xFF, 0x01, 0xFF, 0x20});
    port.Close();
    EXPECT_EQ(clock.nowMs() - start, DrainLimitMs(4, 9600)) << "Close drains within the same limit";
    EXPECT_EQ(port.drains, 2);
}

TEST(LineTiming, DrainLimitIsTheWireTimeOfWhatIsQueuedPlusASecond) {
    struct Case {
        std::size_t bytes;
        std::uint32_t baud;
        std::uint32_t limitMs;
    };
    for (const Case& c : {Case{0, 9600, 1000}, Case{1, 9600, 1002}, Case{257, 9600, 1295},
                          Case{100, 57600, 1020}, Case{4096, 9600, 5694}})
        EXPECT_EQ(DrainLimitMs(c.bytes, c.baud), c.limitMs) << c.bytes << " bytes at " << c.baud;
}

TEST_F(SimPortTest, PortAtAnotherRateThanTheControllerLosesBytesBothWays) {
    OpenStandard(port, 1, 9600);
    Send({0xFB});
    EXPECT_EQ(ReadAll(), Bytes{0x0B});
    Send({0xF1});
    EXPECT_EQ(ReadAll(), Bytes{}) << "still at 9600 while the controller listens at 38400";
    OpenStandard(port, 1, 38400);
    Send({0xF1});
    EXPECT_EQ(ReadAll(), Bytes{0x01});
    ASSERT_EQ(port.opens.size(), 2u);
    EXPECT_EQ(port.opens[1].baud, 38400u);
    EXPECT_EQ(port.closes, 1) << "Open closes the open port first";
}

TEST_F(SimPortTest, BytesDueWhileClosedAreLost) {
    OpenStandard(port, 1);
    model.faults.answerDelayMs = 10;
    Send({0xF1});
    port.Close();
    clock.advance(20);
    OpenStandard(port, 1);
    EXPECT_EQ(port.BytesAvailable(), 0u);
}

TEST_F(SimPortTest, OpenFailuresCarryTheirCodes) {
    port.SetOpenError(2, kErrorPortBusy);
    port.SetOpenError(3, kErrorPortBluetooth);
    EXPECT_EQ(ErrorOf([&] { OpenStandard(port, 2); }), kErrorPortBusy);
    EXPECT_EQ(ErrorOf([&] { OpenStandard(port, 3); }), kErrorPortBluetooth);
    EXPECT_EQ(ErrorOf([&] { OpenStandard(port, 4); }), kErrorPortMissing);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.opens.empty());
}

TEST_F(SimPortTest, SilentLineOpensAndNeverAnswers) {
    port.AttachSilentLine(5);
    OpenStandard(port, 5);
    Send({0xF1});
    port.WaitForInput(5000);
    EXPECT_EQ(port.BytesAvailable(), 0u);
}

TEST_F(SimPortTest, VanishedDeviceMakesTheNextCallThrowAndCannotBeOpened) {
    OpenStandard(port, 1);
    port.Vanish();
    EXPECT_EQ(ErrorOf([&] { port.BytesAvailable(); }), kErrorPortMissing);
    EXPECT_EQ(ErrorOf([&] { Send({0xF1}); }), kErrorPortMissing);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(ErrorOf([&] { OpenStandard(port, 1); }), kErrorPortMissing);
}

TEST_F(SimPortTest, DroppedLinkActsAsAVanishedDevice) {
    model.faults.dropAfterFrames = 1;
    OpenStandard(port, 1);
    Bytes frame(37, 0xFF);
    frame[0] = 0xF3;
    Send(frame);
    EXPECT_EQ(ErrorOf([&] { port.BytesAvailable(); }), kErrorPortMissing);
}

TEST_F(SimPortTest, CallsOnAClosedPortThrow) {
    EXPECT_NE(ErrorOf([&] { port.BytesAvailable(); }), 0u);
    EXPECT_NE(ErrorOf([&] { Send({0xF1}); }), 0u);
    port.Close(); // closing a closed port does nothing
    EXPECT_EQ(port.closes, 0);
}

TEST_F(SimPortTest, DiscardInputEmptiesTheQueue) {
    OpenStandard(port, 1);
    Send({0xFF, 0x24});
    EXPECT_GT(port.BytesAvailable(), 10u);
    port.AbortPendingReads();
    port.DiscardInput();
    EXPECT_EQ(port.BytesAvailable(), 0u);
}

TEST_F(SimPortTest, StreamingLineKeepsSendingWhileOpen) {
    model.faults.stream = true;
    OpenStandard(port, 1);
    port.WaitForInput(100);
    EXPECT_GE(port.BytesAvailable(), 1u);
    clock.advance(10);
    EXPECT_GE(port.BytesAvailable(), 10u);
}

} // namespace
} // namespace bf::sim
