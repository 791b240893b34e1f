#include "link/Link.h"

#include <algorithm>
#include <cstdio>

namespace bf {

namespace {

constexpr char kLogOpenSerialPortFormat[] = "OPEN SERIAL PORT COM%d:%d";
constexpr std::size_t kReadChunk = 64;
constexpr std::uint8_t kConfirmationOffset = 0xF0; // a rate command is confirmed by itself less F0

// Longest idle sleep between two pump steps: short enough for the window to stay lively, long
// enough that a wait on a busy machine does not wake up again and again before the reply is in.
constexpr std::uint32_t kIdleSliceMs = 10;

// Sleeps in the kernel until more than `waiting` bytes are in, for at most a slice and never past
// the end of the wait, so that a wait costs no processor time, also while part of a reply is
// queued, and still ends exactly on its time-out.
void IdleUntilInput(Session& s, std::uint32_t start, std::uint32_t timeoutMs, std::uint32_t waiting) {
    const std::uint32_t elapsed = ElapsedMs(s.clock, start);
    if (elapsed < timeoutMs)
        s.port.WaitForInput(std::min(kIdleSliceMs, timeoutMs - elapsed), waiting);
}

std::uint8_t RateCommand(int rate) {
    switch (rate) {
    case 9600:
        return cmd::Baud9600;
    case 19200:
        return cmd::Baud19200;
    case 38400:
        return cmd::Baud38400;
    case 57600:
        return cmd::Baud57600;
    default:
        return 0;
    }
}

} // namespace

std::uint8_t ReadAllWaiting(Session& s, std::uint32_t count) {
    std::uint8_t buffer[kReadChunk];
    std::uint8_t first = 0;
    bool haveFirst = false;
    while (count > 0) {
        const std::size_t got = s.port.Read(buffer, std::min<std::size_t>(count, sizeof buffer));
        if (got == 0)
            break;
        if (!haveFirst) {
            first = buffer[0];
            haveFirst = true;
        }
        count -= static_cast<std::uint32_t>(got);
    }
    return first;
}

std::string OpenSerialPortLine(int port, int baud) {
    char line[64];
    std::snprintf(line, sizeof line, kLogOpenSerialPortFormat, port, baud);
    return line;
}

void SendBytes(Session& s, const std::uint8_t* data, std::size_t count) {
    s.port.Write(data, count);
    s.port.Flush();
}

ReplyWait WaitForReply(Session& s, std::uint32_t minimum, std::uint32_t timeoutMs, bool closeEnds) {
    const std::uint32_t start = s.clock.nowMs();
    for (;;) {
        const std::uint32_t count = s.port.BytesAvailable();
        if (count >= minimum || TimedOut(s.clock, start, timeoutMs))
            return {count, false};
        IdleUntilInput(s, start, timeoutMs, count);
        s.host.PumpMessages();
        if (closeEnds && s.host.CloseRequested())
            return {count, true};
    }
}

std::uint8_t Handshake(Session& s) {
    SendBytes(s, &cmd::Handshake, 1);
    const ReplyWait reply = WaitForReply(s, 1, timeout::Handshake, false);
    if (reply.count == 0)
        return 1;
    return ReadAllWaiting(s, reply.count) == cmd::HandshakeReply ? 0 : 2;
}

std::uint8_t SwitchBaudRate(Session& s, int port, int rate) {
    const std::uint8_t command = RateCommand(rate);
    if (command == 0)
        return 9; // not a rate the controller knows; nothing is sent
    SendBytes(s, &command, 1);
    const ReplyWait reply = WaitForReply(s, 1, timeout::Reply, false);
    if (reply.count == 0)
        return 8;
    const std::uint8_t answer = ReadAllWaiting(s, reply.count);
    if (reply.count > 1)
        return 3;
    if (answer != command - kConfirmationOffset)
        return 9;
    s.port.Close();
    OpenStandard(s.port, port, static_cast<std::uint32_t>(rate));
    s.clock.sleepMs(timeout::AfterBaudSwitch);
    s.port.DiscardInput(); // what came while the line settled answers no command
    return 0;
}

bool WaitForPair(Session& s, std::uint8_t first, std::uint8_t second) {
    const std::uint32_t start = s.clock.nowMs();
    std::uint8_t previous = 0x00;
    for (;;) {
        if (s.port.BytesAvailable() != 0) {
            std::uint8_t byte = 0;
            s.port.Read(&byte, 1);
            if (previous == first && byte == second)
                return true;
            previous = byte;
        } else {
            IdleUntilInput(s, start, timeout::Pair, 0);
        }
        s.host.PumpMessages();
        if (TimedOut(s.clock, start, timeout::Pair))
            return false;
    }
}

} // namespace bf
