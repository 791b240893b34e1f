// The real serial port on pseudo-terminals of the test's own: what it leaves behind, whom it shares
// the device with, and how it waits.
#include "link/Link.h"
#include "link/PortSearch.h"
#include "serial/CSerialException.h"
#include "tests/e2e/PtyFixture.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/Terminal.h"

#include <atomic>
#include <cstring>
#include <termios.h>
#include <thread>

namespace bf::test {
namespace {

struct PortOnTerminal : ::testing::Test {
    PortOnTerminal() {
        map.Override(1, terminal.path);
        port.SetPortMap(map);
    }
    // What the far end has received.
    Bytes Received() {
        Bytes bytes(256);
        const int flags = fcntl(terminal.master, F_GETFL);
        fcntl(terminal.master, F_SETFL, flags | O_NONBLOCK);
        const ssize_t got = read(terminal.master, bytes.data(), bytes.size());
        fcntl(terminal.master, F_SETFL, flags);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return bytes;
    }
    void SendFromFarEnd(const Bytes& bytes) {
        ASSERT_EQ(write(terminal.master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    Terminal terminal;
    PortMap map;
    CSerialPort port;
};

bool SameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

TEST_F(PortOnTerminal, CloseLeavesTheLineAsOpenFoundIt) {
    ASSERT_GE(terminal.OpenPort(terminal.path), 0);
    termios found{};
    ASSERT_EQ(tcgetattr(terminal.port, &found), 0);
    ASSERT_TRUE(found.c_lflag & ICANON) << "a new terminal starts in line mode";
    cfsetspeed(&found, B19200);
    found.c_cc[VMIN] = 3;
    ASSERT_EQ(tcsetattr(terminal.port, TCSANOW, &found), 0);
    ASSERT_EQ(tcgetattr(terminal.port, &found), 0);

    OpenStandard(port, 1);
    termios raw{};
    ASSERT_EQ(tcgetattr(terminal.port, &raw), 0);
    ASSERT_FALSE(SameSettings(raw, found)) << "open makes the line raw at 9600 bit/s";
    const std::uint8_t probe = cmd::Handshake;
    port.Write(&probe, 1);
    port.Close();

    termios after{};
    ASSERT_EQ(tcgetattr(terminal.port, &after), 0);
    EXPECT_TRUE(SameSettings(after, found));
}

TEST_F(PortOnTerminal, AnotherProgramWithTheDeviceOpenMakesItBusyAndGetsNoProbe) {
    HolderProcess holder(terminal.path);
    try {
        OpenStandard(port, 1);
        ADD_FAILURE() << "opened a port another program holds";
    } catch (const CSerialException& e) {
        EXPECT_EQ(e.m_errorCode, kErrorPortBusy);
    }
    EXPECT_FALSE(port.IsOpen());

    VirtualClock clock;
    RecordingHost host{clock};
    PortSettings settings{0, 9600, 1};
    Session session{host, clock, port, settings};
    for (int n = 2; n <= 28; ++n)
        map.Override(n, "/nonexistent/brenvaldor-" + std::to_string(n));
    port.SetPortMap(map);
    AutodetectPort(session);
    ASSERT_GE(host.log.size(), 3u);
    EXPECT_EQ(host.log[1], "COM1: BUSY");
    EXPECT_EQ(host.log[2], "COM1: HELD BY sleep (PID " + std::to_string(holder.Pid()) + ")");
    EXPECT_TRUE(Received().empty()) << "nothing was written into the other program's line";

    holder.Stop();
    OpenStandard(port, 1);
    EXPECT_TRUE(port.IsOpen()) << "free once the other program has let go";
}

TEST_F(PortOnTerminal, WaitForInputSleepsUntilMoreThanTheWaitingBytesAreIn) {
    OpenStandard(port, 1);
    SendFromFarEnd({1, 2, 3});
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        SendFromFarEnd({4});
    });
    port.WaitForInput(5000, 3);
    const std::uint32_t waiting = port.BytesAvailable();
    later.join();
    EXPECT_EQ(waiting, 4u) << "returned before the fourth byte";
    Bytes bytes(8);
    bytes.resize(port.Read(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, (Bytes{1, 2, 3, 4})) << "bytes taken in while waiting are read first, in order";

    SendFromFarEnd({5, 6});
    port.WaitForInput(5000, 0);
    port.WaitForInput(5000, 1);
    EXPECT_EQ(port.BytesAvailable(), 2u);
    port.DiscardInput();
    EXPECT_EQ(port.BytesAvailable(), 0u) << "discarding also drops what a wait took in";
}

TEST_F(PortOnTerminal, DrainLastsAtLeastTheWireTimeOfWhatWasWritten) {
    OpenStandard(port, 1);
    const Bytes line(48, 'x'); // 48 bytes of 11 bits at 9600 bit/s: 55 ms
    const auto start = std::chrono::steady_clock::now();
    port.Write(line.data(), line.size());
    port.Drain();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(55));
    EXPECT_EQ(Received(), line);
}

TEST_F(PortOnTerminal, CloseLetsTheLastBytesLeaveButWaitsNoLongerThanAnAdaptersFifo) {
    std::atomic<bool> done = false;
    std::thread farEnd([&] {
        char sink[4096];
        while (!done)
            if (read(terminal.master, sink, sizeof sink) <= 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    const auto closeAfterWriting = [&](std::size_t count) {
        OpenStandard(port, 1);
        const Bytes bytes(count, 'x');
        EXPECT_EQ(port.Write(bytes.data(), bytes.size()), count);
        const auto start = std::chrono::steady_clock::now();
        port.Close();
        return std::chrono::steady_clock::now() - start;
    };
    // 48 bytes of 11 bits at 9600 bit/s take 55 ms: the line is not restored under them.
    EXPECT_GE(closeAfterWriting(48), std::chrono::milliseconds(55));
    // 20000 bytes take 23 s; the far end has read them long before, and an update on such a line
    // must not freeze at the close for that time (512 bytes of FIFO take 587 ms).
    EXPECT_LT(closeAfterWriting(20000), std::chrono::seconds(10));
    done = true;
    farEnd.join();
}
} // namespace
} // namespace bf::test
