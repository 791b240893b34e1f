#pragma once

#include "link/Session.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace bf {

// Connect-mode commands: one command byte, some with argument bytes.
namespace cmd {
constexpr std::uint8_t Handshake = 0xF1;
constexpr std::uint8_t EraseSector = 0xF2;
constexpr std::uint8_t WriteFrame = 0xF3;
constexpr std::uint8_t ReportChecksums = 0xF7;
constexpr std::uint8_t Restart = 0xF8;
constexpr std::uint8_t Baud9600 = 0xF9;
constexpr std::uint8_t Baud19200 = 0xFA;
constexpr std::uint8_t Baud38400 = 0xFB;
constexpr std::uint8_t ReadBlock = 0xFC;
constexpr std::uint8_t Baud57600 = 0xFD;
// Replies.
constexpr std::uint8_t HandshakeReply = 0x01;
constexpr std::uint8_t FrameWritten = 0x03;
constexpr std::uint8_t FrameChecksumError = 0x04; // the frame's checksum did not match
constexpr std::uint8_t FrameBlockNotEmpty = 0x05;
constexpr std::uint8_t FrameOutOfBounds = 0x06;
constexpr std::uint8_t ChecksumReport = 0x07;
constexpr std::uint8_t BlockEnd = 0x0C;
// A rate command is confirmed by itself less F0 (F9 by 09), sent at the old rate.
constexpr std::uint8_t RateConfirmation(std::uint8_t rateCommand) {
    return static_cast<std::uint8_t>(rateCommand - 0xF0);
}
} // namespace cmd

// Escape pairs: 0xFF followed by a code byte.
namespace esc {
constexpr std::uint8_t Escape = 0xFF;
constexpr std::uint8_t Hello = 0x01;
constexpr std::uint8_t Ack = 0x02;
constexpr std::uint8_t TextEnd = 0x04;
constexpr std::uint8_t PrintoutOn = 0x20;
constexpr std::uint8_t PrintoutOff = 0x21;
constexpr std::uint8_t Text = 0x23;
constexpr std::uint8_t ReadParameters = 0x24;
} // namespace esc

// Every time-out and fixed pause of the link, in milliseconds.
namespace timeout {
constexpr std::uint32_t Handshake = 5000;
constexpr std::uint32_t Reply = 2000; // baud switch, port probe, erase, write, read packet
constexpr std::uint32_t Resync = 500;
constexpr int ResyncWaits = 11;
constexpr std::uint32_t Verify = 3000;
constexpr std::uint32_t Pair = 10000;
constexpr std::uint32_t AfterBaudSwitch = 500;
constexpr std::uint32_t AfterErase = 500;
} // namespace timeout

// Log lines shared by the controller operations.
constexpr char kLogSerialPortClosed[] = "SERIAL PORT CLOSED";
std::string OpenSerialPortLine(int port, int baud); // "OPEN SERIAL PORT COM%d:%d"

// Writes the bytes and flushes at once, as every command is sent.
void SendBytes(Session& s, const std::uint8_t* data, std::size_t count);

// Reads the `count` queued bytes of a reply: the first min(count, capacity) into `buffer`, the rest
// read and dropped, so a controller that says too much never overruns the buffer. Returns the
// number of bytes stored in `buffer`.
std::size_t ReadReply(Port& port, std::uint32_t count, std::uint8_t* buffer, std::size_t capacity);
// Reads `count` waiting bytes and returns the first (0 when none could be read); the others are dropped.
std::uint8_t ReadAllWaiting(Session& s, std::uint32_t count);

// The reply wait: polls BytesAvailable, gives up after the time-out (strict rule), pumps one step
// per pass, and, when closeEnds is set, is abandoned when the closing flag is found set.
struct ReplyWait {
    std::uint32_t count = 0; // bytes waiting when the wait ended
    bool aborted = false;    // the closing request ended it
};
ReplyWait WaitForReply(Session& s, std::uint32_t minimum, std::uint32_t timeoutMs, bool closeEnds);

// F1 -> 01 within 5000 ms. 0 ok, 1 no answer, 2 wrong answer.
std::uint8_t Handshake(Session& s);
// Rate command -> confirmation within 2000 ms, then reopen at the new rate and pause 500 ms.
// 0 ok, 8 no answer, 3 more than one byte, 9 wrong byte.
std::uint8_t SwitchBaudRate(Session& s, int port, int rate);
// True when `first` and `second` arrive one directly after the other within 10000 ms.
bool WaitForPair(Session& s, std::uint8_t first, std::uint8_t second);

} // namespace bf
