#include "link/Link.h"
#include "serial/CSerialException.h"
#include "tests/e2e/PtyFixture.h"

#include <fcntl.h>
#include <filesystem>
#include <termios.h>
#include <unistd.h>

namespace bf::test {
namespace {

std::uint32_t OpenError(CSerialPort& port, int number) {
    try {
        OpenStandard(port, number);
    } catch (const CSerialException& e) {
        return e.m_errorCode;
    }
    return 0;
}

// How many of our descriptors are open on the device.
int DescriptorsOn(const std::string& device) {
    namespace fs = std::filesystem;
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(entry.path(), ec) == device)
            ++count;
    }
    return count;
}

struct SerialPortOnPty : PtyFixture {
    SerialPortOnPty() { StartSim(); }
};

TEST_F(SerialPortOnPty, OpensRawAtTheRequestedLineSettings) {
    OpenStandard(port, 1, 38400);
    termios t{};
    ASSERT_EQ(tcgetattr(port.Handle(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & PARENB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST_F(SerialPortOnPty, OpeningTwiceClosesTheFirstDescriptor) {
    OpenStandard(port, 1);
    OpenStandard(port, 1); // the lock would refuse this if the first descriptor were still open
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(DescriptorsOn(sim->Path()), 1);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(DescriptorsOn(sim->Path()), 0);
    port.Close();
}

TEST_F(SerialPortOnPty, ReadNeverWaitsAndReturnsWhatIsThere) {
    OpenStandard(port, 1);
    std::uint8_t buffer[16];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
        << "a blocking read waits for ever";
    EXPECT_EQ(port.BytesAvailable(), 0u);

    Send(port, {0xFF, 0x24}); // the parameter printout: several hundred bytes
    const std::uint32_t waiting = WaitForBytes(port, 40);
    ASSERT_GE(waiting, 40u);
    EXPECT_EQ(port.Read(buffer, 2), 2u);
    EXPECT_EQ(buffer[0], 0xFF);
    EXPECT_EQ(buffer[1], 0x23);
}

TEST_F(SerialPortOnPty, InputLeftUnreadDoesNotSurviveTheClose) {
    OpenStandard(port, 1);
    Send(port, {0xF1});
    ASSERT_EQ(WaitForBytes(port, 1), 1u);
    port.Close();
    OpenStandard(port, 1);
    EXPECT_EQ(port.BytesAvailable(), 0u) << "a reopened port starts empty, as a real line does";
}

TEST_F(SerialPortOnPty, PartialReadReturnsTheQueuedCount) {
    sim->Stop();
    StartSim({"--extra-bytes", "F1=2"});
    OpenStandard(port, 1);
    Send(port, {0xF1});
    ASSERT_EQ(WaitForBytes(port, 3), 3u);
    std::uint8_t buffer[10] = {};
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 3u);
    EXPECT_EQ(buffer[0], 0x01);
}

TEST_F(SerialPortOnPty, BothPresetsHoldTogether) {
    port.Open(1, 9600, ParityNone, 8, StopBitsTwo, FlowNone);
    port.SetWriteTimeout();
    port.SetNonBlockingReads();
    std::uint8_t byte = 0;
    EXPECT_EQ(port.Read(&byte, 1), 0u) << "reads still return at once";
    const Bytes hello{0xFF, 0x01};
    EXPECT_EQ(port.Write(hello.data(), hello.size()), 2u);
    port.Flush();
    EXPECT_EQ(WaitForBytes(port, 2), 2u);
}

TEST_F(SerialPortOnPty, SecondOpenIsRefusedAsBusyEvenForRoot) {
    OpenStandard(port, 1);
    CSerialPort other;
    other.SetPortMap(map);
    EXPECT_EQ(OpenError(other, 1), kErrorPortBusy);
    EXPECT_FALSE(other.IsOpen());
    port.Close();
    EXPECT_EQ(OpenError(other, 1), 0u) << "free again after the close";
}

TEST_F(SerialPortOnPty, MissingDeviceIsCodeTwo) {
    map.Override(2, "/dev/does-not-exist-brenvaldor");
    port.SetPortMap(map);
    EXPECT_EQ(OpenError(port, 2), kErrorPortMissing);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(OpenError(port, 99), kErrorPortMissing) << "a number without a device";
}

TEST_F(SerialPortOnPty, UnsupportedRateFailsWithThePortLeftOpen) {
    try {
        port.Open(1, 12345, ParityNone, 8, StopBitsTwo, FlowNone);
        ADD_FAILURE() << "no exception";
    } catch (const CSerialException& e) {
        EXPECT_EQ(e.m_errorCode, static_cast<std::uint32_t>(EINVAL));
    }
    EXPECT_TRUE(port.IsOpen());
    OpenStandard(port, 1); // the next Open closes it first
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPortOnPty, VanishedDeviceMakesTheNextCallThrow) {
    sim->Stop();
    StartSim({"--drop-after", "1"});
    OpenStandard(port, 1);
    Bytes frame(37, 0xFF);
    frame[0] = 0xF3;
    Send(port, frame);
    ASSERT_TRUE(sim->Exited(5000));
    try {
        port.BytesAvailable();
        ADD_FAILURE() << "no exception";
    } catch (const CSerialException& e) {
        EXPECT_EQ(e.m_errorCode, kErrorPortMissing);
        char text[64];
        EXPECT_TRUE(e.GetErrorMessage(text, sizeof text));
    }
    port.Close();
}

TEST_F(SerialPortOnPty, CallsOnAClosedPortThrow) {
    EXPECT_THROW(port.BytesAvailable(), CSerialException);
    std::uint8_t byte = 0;
    EXPECT_THROW(port.Write(&byte, 1), CSerialException);
    EXPECT_THROW(port.SetNonBlockingReads(), CSerialException);
}

TEST_F(SerialPortOnPty, HandshakeAndRateSwitchOverTheTerminal) {
    OpenStandard(port, 1);
    EXPECT_EQ(Handshake(session), 0);
    EXPECT_EQ(SwitchBaudRate(session, 1, 57600), 0);
    termios t{};
    ASSERT_EQ(tcgetattr(port.Handle(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B57600);
    EXPECT_EQ(Handshake(session), 0) << "the simulator hears only at its own rate";
    const std::uint8_t back = cmd::Baud9600;
    SendBytes(session, &back, 1);
    port.Close();
}

TEST_F(SerialPortOnPty, PacedSimulatorTakesTheLineTime) {
    sim->Stop();
    StartSim({"--pace"});
    OpenStandard(port, 1);
    const auto start = std::chrono::steady_clock::now();
    Send(port, {0xF7});
    ASSERT_EQ(WaitForBytes(port, 29), 29u);
    // 29 bytes of 11 bits at 9600 bit/s take 33 ms on the line.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(32));
}

TEST_F(SerialPortOnPty, TerminalSurvivesManyReconnects) {
    for (int i = 0; i < 20; ++i) {
        OpenStandard(port, 1);
        ASSERT_EQ(Handshake(session), 0) << "round " << i;
        port.Close();
    }
}

} // namespace
} // namespace bf::test
