// An interrupted command's way back to 9600 bit/s, against the controller model on the virtual
// clock: F9 only where the controller is at another rate and the line has fallen quiet.
#include "cli/WatchedPort.h"
#include "link/Link.h"
#include "serial/CSerialException.h"
#include "serial/SerialTypes.h"
#include "sim/ControllerModel.h"
#include "sim/SimPort.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

namespace bf::cli {
namespace {

using Recovery = WatchedPort::Recovery;

struct WatchedPortTest : ::testing::Test {
    test::VirtualClock clock;
    test::RecordingHost host{clock};
    sim::ControllerModel model;
    sim::SimPort sim{clock};
    WatchedPort port{sim};
    PortSettings settings{1, 57600, 0};
    Session s{host, clock, port, settings};

    WatchedPortTest() { sim.AttachController(1, model); }

    // Open, handshake, and the switch to the configured rate, as an update starts.
    void Connect() {
        OpenStandard(port, 1);
        ASSERT_EQ(Handshake(s), 0);
        ASSERT_EQ(SwitchBaudRate(s, 1, settings.m_nBaudRate), 0);
        ASSERT_EQ(model.baudRate, 57600u);
    }
};

TEST_F(WatchedPortTest, AnInterruptedExchangeAtTheFastRateEndsWithF9OnceTheLineIsQuiet) {
    Connect();
    SendBytes(s, &cmd::ReportChecksums, 1); // its 29-byte answer is still to come
    const std::uint32_t start = clock.nowMs();
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::Returned);
    EXPECT_GE(clock.nowMs() - start, WatchedPort::kQuietMs);
    EXPECT_EQ(sim.written.back(), cmd::Baud9600);
    EXPECT_EQ(model.baudRate, 9600u) << "the next command at 9600 reaches it";
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(WatchedPortTest, NothingIsSentWhereNothingIsNeededOrNothingIsSafe) {
    // Closed already, or open at 9600 after the handshake: the controller is at 9600.
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::NotNeeded);
    OpenStandard(port, 1);
    ASSERT_EQ(Handshake(s), 0);
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::NotNeeded);
    EXPECT_EQ(sim.written.back(), cmd::Handshake);

    // A finished command's own F9 went out: nothing more to do.
    Connect();
    SendBytes(s, &cmd::Baud9600, 1);
    const std::size_t sent = sim.written.size();
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::NotNeeded);
    EXPECT_EQ(sim.written.size(), sent);

    // The switch was sent at 9600 and the port not yet reopened: whether the controller heard
    // it is unknown, and F9 at 9600 would not reach it if it did.
    OpenStandard(port, 1);
    SendBytes(s, &cmd::Baud57600, 1);
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::Unknown);
    EXPECT_EQ(sim.written.back(), cmd::Baud57600);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(WatchedPortTest, AnUnconfirmedReturnLeavesTheRateUnknown) {
    Connect();
    model.faults.silentOn.insert(cmd::Baud9600);
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::Unknown);
    EXPECT_EQ(sim.written.back(), cmd::Baud9600) << "sent, but not heard";
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(WatchedPortTest, ALineThatDoesNotFallQuietGetsNoCommand) {
    Connect();
    model.faults.stream = true; // the controller keeps sending, as in the middle of a block
    const std::uint32_t start = clock.nowMs();
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::Unknown);
    EXPECT_GE(clock.nowMs() - start, WatchedPort::kLimitMs);
    EXPECT_LT(clock.nowMs() - start, WatchedPort::kLimitMs + 1000);
    EXPECT_EQ(sim.written.back(), cmd::Baud57600);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(WatchedPortTest, APortThatFailsOnTheWayLeavesTheRateUnknown) {
    Connect();
    SendBytes(s, &cmd::ReportChecksums, 1);
    sim.Vanish();
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::Unknown);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(WatchedPortTest, ACloseOrAFreshOpenForgetsTheRateAndTheLastCommand) {
    Connect();
    port.Close();
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::NotNeeded) << "closed: nothing to send";
    OpenStandard(port, 1);
    SendBytes(s, &cmd::Baud57600, 1);
    port.Close();
    OpenStandard(port, 1);
    EXPECT_EQ(port.CloseAt9600(clock), Recovery::NotNeeded) << "the switch belonged to the last open";
}

TEST_F(WatchedPortTest, TellsWhetherAnEraseWentOut) {
    OpenStandard(port, 1);
    SendBytes(s, &cmd::Handshake, 1);
    const std::uint8_t other[] = {cmd::ReportChecksums, cmd::EraseSector};
    SendBytes(s, other, sizeof other);
    EXPECT_FALSE(port.EraseSent()) << "only a command that starts with F2 erases";
    const std::uint8_t erase[] = {cmd::EraseSector, 4};
    SendBytes(s, erase, sizeof erase);
    SendBytes(s, &cmd::Handshake, 1);
    EXPECT_TRUE(port.EraseSent()) << "and it stays said";
}

TEST_F(WatchedPortTest, RemembersWhyTheLastOpenFailedUntilAnOpenSucceeds) {
    sim.SetOpenError(2, kErrorPortBusy);
    EXPECT_THROW(OpenStandard(port, 2), CSerialException);
    ASSERT_TRUE(port.LastOpenFailure());
    EXPECT_EQ(port.LastOpenFailure()->port, 2);
    EXPECT_EQ(port.LastOpenFailure()->code, kErrorPortBusy);
    char text[256] = "";
    CSerialException(kErrorPortBusy).GetErrorMessage(text, sizeof text);
    EXPECT_EQ(port.LastOpenFailure()->reason, text); // the system's own words for the code
    EXPECT_FALSE(port.IsOpen());
    OpenStandard(port, 1);
    EXPECT_FALSE(port.LastOpenFailure());
}

} // namespace
} // namespace bf::cli
