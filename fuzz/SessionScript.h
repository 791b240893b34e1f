#pragma once

#include "fuzz/FuzzInput.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace bf::fuzz {

// A controller session as a fuzz input: a setup, then one reply for every Open and every Write
// of the program, in order. The replies come from the input, so the "controller" can say
// anything, in any number of bytes, at any moment; an input that runs out falls silent.

// Port calls at which the script can make the port fail, as an adapter that is pulled out.
enum class PortCall : std::uint8_t {
    None,
    Open,
    Write,
    Flush,
    Read,
    Poll, // BytesAvailable
    Wait, // WaitForInput
    Drain,
    Discard, // DiscardInput, AbortPendingReads
    Setup,   // SetNonBlockingReads, SetWriteTimeout
    Count,
};

struct SessionSetup {
    int port = 1; // the port setting, 0 (none) to 28
    bool autoPort = false;
    int baud = 9600;
    bool existingOutput = false; // the operation's output file is there before it starts
    PortCall failAt = PortCall::None;
    std::uint16_t failIndex = 0;   // the port fails at this call (1-based) of that kind
    std::uint8_t failCode = 5;     // with this error code
    std::uint16_t closeAtPump = 0; // the window is closed at this pump step; 0: never
    std::uint8_t readLimit = 0;    // a Read hands out at most this many bytes; 0: all asked for
    std::uint8_t extra = 0;        // the target's own knob
    std::vector<std::pair<int, std::uint8_t>> openErrors; // ports whose Open fails, with the code
    std::vector<std::uint8_t> file; // the file the operation reads, or the output that exists
};

// Bytes that arrive together, `delayMs` after the previous chunk of the reply (the first chunk:
// after the Open or Write that the reply answers).
struct Chunk {
    std::uint32_t delayMs = 0;
    std::vector<std::uint8_t> bytes;
};
using Reply = std::vector<Chunk>;

SessionSetup ReadSetup(FuzzInput& in);
std::vector<std::uint8_t> EncodeSetup(const SessionSetup& setup);

// A reply: chunks, each a header byte (bit 7: another chunk follows, bits 0-6: the length), then
// when the chunk holds bytes or another follows, a delay byte and the bytes. 0x00 is silence.
Reply ReadReply(FuzzInput& in);
std::vector<std::uint8_t> EncodeReply(const Reply& reply);

// The delay a delay byte stands for: 0 to 127 ms one by one, then steps of 50 ms up to 6478 ms,
// past every time-out but the 10 s of an escape-pair wait (which two chunks pass).
std::uint32_t DelayOf(std::uint8_t code);
// The delay byte for `ms`, rounded down to what it can express.
std::uint8_t DelayCode(std::uint32_t ms);

// The longest chunk one header byte can announce.
constexpr std::size_t kMaxChunk = 127;

} // namespace bf::fuzz
