// The Windows serial port against brenvaldor-sim: scripts/wine-run --sim serves the simulated
// controller on a pseudo-terminal that this test's Wine prefix sees as COM<BF_TEST_COM> (from 100
// up, so the "\\.\" name form and numbers above 28 are exercised on every run).

#include "link/Link.h"
#include "serial/CSerialException.h"
#include "serial/CSerialPort.h"
#include "serial/PortInventory.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace bf {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A port number that no test prefix has.
constexpr int kMissingPort = 99;
constexpr std::uint32_t kReplyLimitMs = 5000; // reached only when a test fails anyway

// Wine lets a second handle open a COM port that is held without sharing; Windows refuses it.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

struct WindowsPort : ::testing::Test {
    int com = 0;
    CSerialPort port;
    SteadyClock clock;
    test::VirtualClock pumpClock;
    test::RecordingHost host{pumpClock};
    PortSettings settings;
    Session session{host, clock, port, settings};

    void SetUp() override {
        const char* number = std::getenv("BF_TEST_COM");
        ASSERT_NE(number, nullptr) << "run through scripts/wine-run --sim";
        com = std::atoi(number);
        ASSERT_GT(com, 28);
    }

    HANDLE Handle() const { return reinterpret_cast<HANDLE>(port.Handle()); }

    DCB LineSettings() const {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        EXPECT_TRUE(GetCommState(Handle(), &dcb));
        return dcb;
    }

    COMMTIMEOUTS Timeouts() const {
        COMMTIMEOUTS timeouts{};
        EXPECT_TRUE(GetCommTimeouts(Handle(), &timeouts));
        return timeouts;
    }

    void Send(const Bytes& bytes) {
        EXPECT_EQ(port.Write(bytes.data(), bytes.size()), bytes.size());
        port.Flush();
    }

    // Waits until at least n bytes are in, through the port's own wait.
    std::uint32_t WaitForBytes(std::uint32_t n) {
        const std::uint32_t start = clock.nowMs();
        std::uint32_t count = port.BytesAvailable();
        while (count < n && !TimedOut(clock, start, kReplyLimitMs)) {
            port.WaitForInput(kReplyLimitMs, count);
            count = port.BytesAvailable();
        }
        return count;
    }

    Bytes ReadAll() {
        Bytes bytes(64);
        bytes.resize(port.Read(bytes.data(), bytes.size()));
        return bytes;
    }

    std::uint32_t OpenFails(int number) {
        try {
            OpenStandard(port, number);
        } catch (const CSerialException& e) {
            return e.m_errorCode;
        }
        return 0;
    }
};

TEST_F(WindowsPort, StandardOpenSetsTheLineAndBothTimeoutPresets) {
    OpenStandard(port, com);
    ASSERT_TRUE(port.IsOpen());
    const DCB dcb = LineSettings();
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    EXPECT_EQ(dcb.fDsrSensitivity, 0u);
    const COMMTIMEOUTS t = Timeouts();
    EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 1000u) << "the write preset keeps the read preset";
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
    EXPECT_EQ(port.DevicePath(com), "\\\\.\\COM" + std::to_string(com));
}

// A pseudo-terminal keeps 8 data bits without parity whatever it is asked (CommStateTest covers
// the block those come from); the rate, the stop bits and the handshakes reach it.
TEST_F(WindowsPort, LineSettingsReachTheDevice) {
    struct Case {
        std::uint32_t baud;
        SerialStopBits stopBits;
        BYTE dcbStopBits;
        SerialFlowControl flow;
    };
    for (const Case& c : {Case{57600, StopBitsOne, ONESTOPBIT, FlowCtsRts},
                          Case{19200, StopBitsTwo, TWOSTOPBITS, FlowXonXoff},
                          Case{38400, StopBitsOne, ONESTOPBIT, FlowNone}}) {
        port.Open(com, c.baud, ParityNone, 8, c.stopBits, c.flow);
        const DCB dcb = LineSettings();
        EXPECT_EQ(dcb.BaudRate, c.baud);
        EXPECT_EQ(dcb.StopBits, c.dcbStopBits) << c.baud;
        EXPECT_EQ(dcb.fOutxCtsFlow, c.flow == FlowCtsRts ? 1u : 0u) << c.baud;
        EXPECT_EQ(dcb.fOutX, c.flow == FlowXonXoff ? 1u : 0u) << c.baud;
        EXPECT_EQ(dcb.fInX, c.flow == FlowXonXoff ? 1u : 0u) << c.baud;
    }
}

TEST_F(WindowsPort, ControllerAnswersThroughWriteWaitAndRead) {
    OpenStandard(port, com);
    EXPECT_EQ(port.BytesAvailable(), 0u);
    Bytes nothing(8);
    EXPECT_EQ(port.Read(nothing.data(), nothing.size()), 0u) << "a read never waits";

    Send({cmd::Handshake});
    port.WaitForInput(kReplyLimitMs);
    EXPECT_EQ(port.BytesAvailable(), 1u) << "the byte the wait took counts as waiting";
    EXPECT_EQ(ReadAll(), Bytes{cmd::HandshakeReply});
    EXPECT_EQ(port.BytesAvailable(), 0u);
    const COMMTIMEOUTS t = Timeouts();
    EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD) << "the wait puts the non-blocking preset back";
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 1000u);
}

TEST_F(WindowsPort, WaitSleepsUntilMoreThanTheWaitingBytesAreIn) {
    OpenStandard(port, com);
    Send({cmd::Handshake});
    // Left in the driver's queue, where a one-byte read would find it at once.
    const std::uint32_t start = clock.nowMs();
    while (port.BytesAvailable() == 0 && !TimedOut(clock, start, kReplyLimitMs))
        Sleep(1);
    ASSERT_EQ(port.BytesAvailable(), 1u);
    Send({cmd::Handshake, cmd::Handshake});
    port.WaitForInput(kReplyLimitMs, 1);
    EXPECT_GE(port.BytesAvailable(), 2u) << "returned before a further byte came";
    EXPECT_EQ(WaitForBytes(3), 3u);
    Bytes two(2);
    EXPECT_EQ(port.Read(two.data(), two.size()), 2u) << "a read of n with more queued returns n";
    EXPECT_EQ(ReadAll(), Bytes{cmd::HandshakeReply}) << "and the rest stays for the next read";
}

TEST_F(WindowsPort, DiscardEmptiesTheQueueAndWhatAWaitTookIn) {
    OpenStandard(port, com);
    Send({cmd::Handshake, cmd::Handshake});
    ASSERT_EQ(WaitForBytes(2), 2u);
    port.WaitForInput(kReplyLimitMs); // takes both in
    port.DiscardInput();
    EXPECT_EQ(port.BytesAvailable(), 0u);
    EXPECT_EQ(ReadAll(), Bytes{});
    port.AbortPendingReads();
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(WindowsPort, LinkPrimitivesWorkAcrossARateSwitch) {
    OpenStandard(port, com);
    EXPECT_EQ(Handshake(session), 0);
    EXPECT_EQ(SwitchBaudRate(session, com, 57600), 0);
    EXPECT_EQ(LineSettings().BaudRate, 57600u);
    EXPECT_EQ(Handshake(session), 0) << "the controller hears us at the new rate";
    Send({cmd::Baud9600});
    EXPECT_EQ(WaitForBytes(1), 1u);
    port.Drain();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

// The `ports` list: COM1 to COM28 by the system's names; a port the system has leads to its device
// (Wine names only the ports it found itself, not the simulator's), a missing one is absent.
TEST_F(WindowsPort, TheInventoryListsTheSystemsPortsByTheirOwnNames) {
    const PortEntry missing = DescribePort(kMissingPort, {});
    EXPECT_FALSE(missing.exists);
    EXPECT_FALSE(missing.accessible);
    EXPECT_EQ(missing.path, "\\\\.\\COM99");
    const std::vector<PortEntry> list = TakePortInventory(PortMap{});
    ASSERT_EQ(list.size(), 28u);
    for (const PortEntry& entry : list) {
        SCOPED_TRACE(entry.port);
        EXPECT_EQ(entry.path, port.DevicePath(entry.port)) << "the [Ports] map plays no part";
        EXPECT_EQ(entry.exists, !entry.device.empty());
        EXPECT_EQ(entry.accessible, entry.exists);
    }
}

TEST_F(WindowsPort, AMissingPortIsCodeTwoWithTheSystemText) {
    EXPECT_EQ(OpenFails(kMissingPort), kErrorPortMissing);
    EXPECT_FALSE(port.IsOpen());
    try {
        OpenStandard(port, kMissingPort);
    } catch (const CSerialException& e) {
        char expected[256] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), expected,
                       sizeof expected, nullptr);
        std::string text = expected;
        text.erase(text.find_last_not_of("\r\n") + 1);
        EXPECT_STREQ(e.what(), text.c_str());
    }
}

TEST_F(WindowsPort, OpeningAgainClosesTheFormerPortFirst) {
    OpenStandard(port, com);
    OpenFails(kMissingPort);
    EXPECT_FALSE(port.IsOpen()) << "the failed opening closed the port before it tried";
    OpenStandard(port, com);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(WindowsPort, WhatAWaitTookInGoesWithTheClose) {
    OpenStandard(port, com);
    Send({cmd::Handshake});
    ASSERT_EQ(WaitForBytes(1), 1u);
    port.WaitForInput(kReplyLimitMs); // takes the reply in
    port.Close();
    OpenStandard(port, com);
    EXPECT_EQ(port.BytesAvailable(), 0u);
    EXPECT_EQ(ReadAll(), Bytes{});
}

TEST_F(WindowsPort, DrainLastsAtLeastTheWireTimeOfWhatWasWritten) {
    OpenStandard(port, com);
    const Bytes line(48, 'x'); // 48 bytes of 11 bits at 9600 bit/s: 55 ms
    const auto start = std::chrono::steady_clock::now();
    port.Write(line.data(), line.size());
    port.Drain();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(55));
}

TEST_F(WindowsPort, APortHeldByAnotherProgramIsBusy) {
    const HANDLE holder = CreateFileA(port.DevicePath(com).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::uint32_t code = OpenFails(com);
    CloseHandle(holder);
    if (UnderWine())
        GTEST_SKIP() << "Wine does not keep a second handle off a COM port held without sharing";
    EXPECT_EQ(code, kErrorPortBusy);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(WindowsPort, EveryOperationOnAClosedPortThrows) {
    const std::vector<void (*)(CSerialPort&)> operations{
        [](CSerialPort& p) { p.BytesAvailable(); },
        [](CSerialPort& p) {
            std::uint8_t b = 0;
            p.Read(&b, 1);
        },
        [](CSerialPort& p) { p.Write("x", 1); },
        [](CSerialPort& p) { p.Flush(); },
        [](CSerialPort& p) { p.Drain(); },
        [](CSerialPort& p) { p.SetNonBlockingReads(); },
        [](CSerialPort& p) { p.SetWriteTimeout(); },
        [](CSerialPort& p) { p.DiscardInput(); },
        [](CSerialPort& p) { p.AbortPendingReads(); },
        [](CSerialPort& p) { p.WaitForInput(10); },
    };
    for (std::size_t i = 0; i < operations.size(); ++i) {
        try {
            operations[i](port);
            ADD_FAILURE() << "operation " << i << " did not throw";
        } catch (const CSerialException& e) {
            EXPECT_EQ(e.m_errorCode, static_cast<std::uint32_t>(ERROR_INVALID_HANDLE)) << "operation " << i;
        }
    }
    port.Close(); // does nothing and cannot fail
}

} // namespace
} // namespace bf
