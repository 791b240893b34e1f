#include "fuzz/SessionScript.h"

#include <algorithm>

namespace bf::fuzz {

namespace {

constexpr int kRates[] = {9600, 19200, 38400, 57600};
constexpr int kPortChoices = 29; // 0 to 28
constexpr std::uint8_t kMoreChunks = 0x80;
constexpr std::uint8_t kLinearDelays = 128;
constexpr std::uint32_t kDelayStepMs = 50;

enum Flag : std::uint8_t { kAuto = 1, kExistingOutput = 8 };

int RateIndex(int baud) {
    const auto* at = std::find(std::begin(kRates), std::end(kRates), baud);
    return at == std::end(kRates) ? 0 : static_cast<int>(at - std::begin(kRates));
}

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t word) {
    out.push_back(static_cast<std::uint8_t>(word >> 8));
    out.push_back(static_cast<std::uint8_t>(word));
}

} // namespace

std::uint32_t DelayOf(std::uint8_t code) {
    return code < kLinearDelays ? code : kLinearDelays + (code - kLinearDelays) * kDelayStepMs;
}

std::uint8_t DelayCode(std::uint32_t ms) {
    if (ms < kLinearDelays)
        return static_cast<std::uint8_t>(ms);
    return static_cast<std::uint8_t>(
        std::min<std::uint32_t>(255, kLinearDelays + (ms - kLinearDelays) / kDelayStepMs));
}

SessionSetup ReadSetup(FuzzInput& in) {
    SessionSetup s;
    const std::uint8_t flags = in.Byte();
    s.autoPort = flags & kAuto;
    s.baud = kRates[(flags >> 1) & 3];
    s.existingOutput = flags & kExistingOutput;
    s.port = in.Byte() % kPortChoices;
    s.failAt = static_cast<PortCall>(in.Byte() % static_cast<int>(PortCall::Count));
    s.failIndex = in.Word();
    s.failCode = in.Byte();
    s.closeAtPump = in.Word();
    s.readLimit = in.Byte();
    s.extra = in.Byte();
    const int errors = in.Byte() % kPortChoices;
    for (int i = 0; i < errors; ++i) {
        const int port = in.Byte() % kPortChoices;
        s.openErrors.emplace_back(port, in.Byte());
    }
    s.file = in.Bytes(in.Word());
    return s;
}

std::vector<std::uint8_t> EncodeSetup(const SessionSetup& s) {
    std::vector<std::uint8_t> out;
    out.push_back(static_cast<std::uint8_t>((s.autoPort ? kAuto : 0) | RateIndex(s.baud) << 1 |
                                            (s.existingOutput ? kExistingOutput : 0)));
    out.push_back(static_cast<std::uint8_t>(s.port));
    out.push_back(static_cast<std::uint8_t>(s.failAt));
    PutWord(out, s.failIndex);
    out.push_back(s.failCode);
    PutWord(out, s.closeAtPump);
    out.push_back(s.readLimit);
    out.push_back(s.extra);
    out.push_back(static_cast<std::uint8_t>(s.openErrors.size()));
    for (const auto& [port, code] : s.openErrors) {
        out.push_back(static_cast<std::uint8_t>(port));
        out.push_back(code);
    }
    PutWord(out, static_cast<std::uint16_t>(s.file.size()));
    out.insert(out.end(), s.file.begin(), s.file.end());
    return out;
}

Reply ReadReply(FuzzInput& in) {
    Reply reply;
    for (;;) {
        const std::uint8_t header = in.Byte();
        const std::size_t length = header & ~kMoreChunks;
        const bool more = header & kMoreChunks;
        if (length == 0 && !more)
            return reply;
        Chunk chunk;
        chunk.delayMs = DelayOf(in.Byte());
        chunk.bytes = in.Bytes(length);
        reply.push_back(std::move(chunk));
        if (!more || in.AtEnd())
            return reply;
    }
}

std::vector<std::uint8_t> EncodeReply(const Reply& reply) {
    std::vector<std::uint8_t> out;
    // Long chunks go out as several that arrive at once.
    std::vector<Chunk> pieces;
    for (const Chunk& chunk : reply) {
        std::size_t at = 0;
        std::uint32_t delay = chunk.delayMs;
        do {
            const std::size_t take = std::min(kMaxChunk, chunk.bytes.size() - at);
            pieces.push_back({delay, {chunk.bytes.begin() + at, chunk.bytes.begin() + at + take}});
            at += take;
            delay = 0;
        } while (at < chunk.bytes.size());
    }
    while (!pieces.empty() && pieces.back().bytes.empty())
        pieces.pop_back();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const bool more = i + 1 < pieces.size();
        out.push_back(static_cast<std::uint8_t>(pieces[i].bytes.size() | (more ? kMoreChunks : 0)));
        out.push_back(DelayCode(pieces[i].delayMs));
        out.insert(out.end(), pieces[i].bytes.begin(), pieces[i].bytes.end());
    }
    if (out.empty())
        out.push_back(0x00);
    return out;
}

} // namespace bf::fuzz
