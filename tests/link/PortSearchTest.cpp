#include "link/PortSearch.h"
#include "serial/CSerialException.h"
#include "tests/link/LinkFixture.h"

#include <string>

namespace bf::test {
namespace {

using Lines = std::vector<std::string>;

TEST_F(PortSearchTest, ControllerOnTheFirstPortEndsTheSearchAtOnce) {
    settings.m_nPort = 7;
    model.faults.extraBytesOn[0xF1] = 2; // only the first byte counts
    AutodetectPort(session);
    EXPECT_EQ(settings.m_nPort, 1);
    EXPECT_EQ(host.log, (Lines{"AUTODETECT SERIAL PORT", "COM1: BRENVALDOR FOUND"}));
    EXPECT_EQ(port.opens.size(), 1u);
    EXPECT_FALSE(port.IsOpen()) << "the caller opens the found port itself";
    EXPECT_EQ(host.progressRanges, (std::vector<std::pair<int, int>>{{0, 29}}));
    EXPECT_EQ(host.progressPositions, (std::vector<int>{1, 0}));
    EXPECT_TRUE(host.progress.empty()) << "the percentage display is not touched";
}

TEST_F(PortSearchTest, NoControllerAnywhereProbesAll28Ports) {
    model.faults.silent = true;
    settings.m_nPort = 3;
    const std::uint32_t start = clock.nowMs();
    AutodetectPort(session);
    EXPECT_EQ(settings.m_nPort, 0);
    ASSERT_EQ(host.log.size(), 29u);
    for (int n = 1; n <= 28; ++n)
        EXPECT_EQ(host.log[n], "COM" + std::to_string(n) + ": NO ANSWER");
    EXPECT_EQ(host.progressPositions.size(), 29u);
    EXPECT_EQ(host.progressPositions.back(), 0);
    EXPECT_EQ(clock.nowMs() - start, 28u * (timeout::Reply + 1));
    EXPECT_EQ(port.closes, 28);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.written, Bytes(28, 0xF1));
}

TEST_F(PortSearchTest, MissingAndBusyPortsAreReportedBeforeTheController) {
    sim::ControllerModel controller;
    port.SetOpenError(1, kErrorPortMissing);
    port.SetOpenError(2, kErrorPortBusy);
    port.AttachController(3, controller);
    AutodetectPort(session);
    EXPECT_EQ(host.log, (Lines{"AUTODETECT SERIAL PORT", "COM1: NOT INSTALLED", "COM2: BUSY",
                               "COM3: BRENVALDOR FOUND"}));
    EXPECT_EQ(settings.m_nPort, 3);
}

TEST_F(PortSearchTest, OpenFailureCodesHaveTheirTexts) {
    port.SetOpenError(1, kErrorPortBluetooth);
    port.SetOpenError(2, 13);
    sim::ControllerModel controller;
    port.AttachController(3, controller);
    AutodetectPortParam(session);
    EXPECT_EQ(host.log, (Lines{"AUTODETECT SERIAL PORT", "COM1: BLUETOOTH", "COM2: UNKNOWN ERROR",
                               "COM3: BRENVALDOR FOUND"}));
}

// A front end learns the port a search found from the search's own log line, and from no other.
TEST_F(PortSearchTest, TheFoundLineNamesThePortAndNoOtherLineDoes) {
    port.SetOpenError(1, kErrorPortMissing);
    sim::ControllerModel controller;
    port.AttachController(12, controller);
    AutodetectPort(session);
    ASSERT_EQ(host.log.back(), "COM12: BRENVALDOR FOUND");
    EXPECT_EQ(FoundPortOf(host.log.back()), 12);
    for (const char* other : {"COM1: NOT INSTALLED", "AUTODETECT SERIAL PORT", "COM12: BRENVALDOR FOUND ",
                              "COM12 BRENVALDOR FOUND", "COM012: BRENVALDOR FOUND", ""})
        EXPECT_EQ(FoundPortOf(other), std::nullopt) << other;
}

TEST_F(PortSearchTest, WrongAnswersAreUnknown) {
    sim::ControllerModel streaming;
    streaming.faults.stream = true;
    port.AttachController(2, streaming);
    sim::ControllerModel controller;
    port.AttachController(3, controller);
    model.faults.wrongByteOn[0xF1] = 0x02;
    AutodetectPort(session);
    EXPECT_EQ(host.log, (Lines{"AUTODETECT SERIAL PORT", "COM1: UNKNOWN ANSWER", "COM2: UNKNOWN ANSWER",
                               "COM3: BRENVALDOR FOUND"}));
}

TEST_F(PortSearchTest, EscapeProbeNeedsFfThen02) {
    Answer(0x01, {0xFF, 0x03});
    sim::ControllerModel loneAck;
    loneAck.faults.replyOverride = [](const Bytes&) { return std::optional<Bytes>(Bytes{0x02}); };
    port.AttachController(2, loneAck);
    sim::ControllerModel controller;
    port.AttachController(3, controller);
    AutodetectPortParam(session);
    EXPECT_EQ(host.log, (Lines{"AUTODETECT SERIAL PORT", "COM1: UNKNOWN ANSWER", "COM2: UNKNOWN ANSWER",
                               "COM3: BRENVALDOR FOUND"}));
    EXPECT_EQ(settings.m_nPort, 3);
    EXPECT_EQ(Bytes(port.written.begin(), port.written.begin() + 2), (Bytes{0xFF, 0x01}));
}

TEST_F(PortSearchTest, EscapeProbeWithoutItsSecondByteIsUnknown) {
    Answer(0x01, {0xFF});
    sim::ControllerModel controller;
    port.AttachController(2, controller);
    AutodetectPortParam(session);
    EXPECT_EQ(host.log, (Lines{"AUTODETECT SERIAL PORT", "COM1: UNKNOWN ANSWER", "COM2: BRENVALDOR FOUND"}));
}

TEST_F(PortSearchTest, PortThatFailsAfterOpeningIsClosedBeforeTheNextProbe) {
    model.faults.replyOverride = [&](const Bytes&) -> std::optional<Bytes> {
        port.Vanish();
        return std::nullopt;
    };
    sim::ControllerModel controller;
    port.AttachController(2, controller);
    AutodetectPort(session);
    EXPECT_EQ(host.log, (Lines{"AUTODETECT SERIAL PORT", "COM1: NOT INSTALLED", "COM2: BRENVALDOR FOUND"}));
    EXPECT_EQ(port.closes, 2);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PortSearchTest, SearchIgnoresTheCloseRequest) {
    model.faults.silent = true;
    host.closeRequested = true;
    AutodetectPort(session);
    EXPECT_EQ(host.log.size(), 29u);
}

} // namespace
} // namespace bf::test
