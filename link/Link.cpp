#include "link/Link.h"

#include "core/Format.h"
#include "link/CommandResult.h"
#include <algorithm>
#include <array>

namespace bf {

namespace {

constexpr char kLogOpenSerialPortFormat[] = "OPEN SERIAL PORT COM%d:%d";
constexpr std::size_t kReadChunk = 64;

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

// Reads up to `count` bytes into `buffer`; stops early if the port has fewer than it said.
std::size_t ReadUpTo(Port& port, std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const std::size_t got = port.Read(buffer + done, count - done);
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace

std::size_t ReadReply(Port& port, std::uint32_t count, std::uint8_t* buffer, std::size_t capacity) {
    const std::size_t kept = ReadUpTo(port, buffer, std::min<std::size_t>(count, capacity));
    std::size_t rest = count - std::min<std::size_t>(count, capacity);
    std::array<std::uint8_t, kReadChunk> scratch;
    while (rest > 0) {
        const std::size_t got = ReadUpTo(port, scratch.data(), std::min(rest, scratch.size()));
        if (got == 0)
            break;
        rest -= got;
    }
    return kept;
}

std::uint8_t ReadAllWaiting(Session& s, std::uint32_t count) {
    std::uint8_t first = 0;
    ReadReply(s.port, count, &first, 1);
    return first;
}

std::string OpenSerialPortLine(int port, int baud) {
    return Format(kLogOpenSerialPortFormat, port, baud);
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
        return result::NoAnswer;
    return ReadAllWaiting(s, reply.count) == cmd::HandshakeReply ? result::Ok : result::WrongAnswer;
}

std::uint8_t SwitchBaudRate(Session& s, int port, int rate) {
    const std::uint8_t command = RateCommand(rate);
    if (command == 0)
        return result::PortFailure; // not a rate the controller knows; nothing is sent
    SendBytes(s, &command, 1);
    const ReplyWait reply = WaitForReply(s, 1, timeout::Reply, false);
    if (reply.count == 0)
        return result::NoRateAnswer;
    const std::uint8_t answer = ReadAllWaiting(s, reply.count);
    if (reply.count > 1)
        return result::ProgramWrongAnswer;
    if (answer != cmd::RateConfirmation(command))
        return result::PortFailure; // a wrong confirmation counts as the port's failure
    s.port.Close();
    OpenStandard(s.port, port, static_cast<std::uint32_t>(rate));
    s.clock.sleepMs(timeout::AfterBaudSwitch);
    s.port.DiscardInput(); // what came while the line settled answers no command
    return result::Ok;
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
