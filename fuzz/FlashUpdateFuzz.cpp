// libFuzzer target: the flash update, or (the setup's extra byte odd) the verification alone, of a
// small image against a controller whose every reply comes from the fuzz input.
//
// The image is fuzz/SmallImage.h: six write frames, five sectors to erase, three of them (4, 5, 6)
// among those whose checksums the controller reports.
//
// Bound: the optional port search (28 probe waits of 2000 ms), the handshake (5000 ms), the rate
// switch (2000 ms and the 500 ms pause), five erase answers (2000 ms) and the 500 ms pause, six
// acknowledged frames (2000 ms), at most 31 failed sends (resend total above 30 ends the update),
// each with its answer wait (2000 ms) and a resynchronisation (11 waits of 500 ms), and the
// verification (3000 ms); each wait with the pump step that notices its time-out, and three
// progress phases.
// Success means: the handshake was answered 01 and the rate switch confirmed; every sector of the
// image was erased with exactly one answer byte; every frame was sent in order and acknowledged
// by 03, sent after it and within 2000 ms, before the next was sent; the verification reply was
// exactly 29 bytes, 07 and the checksums, within 3000 ms; "CHECKSUM OK" (success) when those of
// sectors 4, 5 and 6 equal the image's, a checksum error otherwise; then F9 and the port closed.
#include "firmware/FirmwareImage.h"
#include "firmware/FlashUpdate.h"
#include "fuzz/OperationRun.h"
#include "fuzz/SmallImage.h"
#include "fuzz/Violation.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

using namespace bf;
using namespace bf::fuzz;
using Bytes = std::vector<std::uint8_t>;

// As the protocol cuts this image: frames at these offsets, these sectors erased and verified.
constexpr std::uint32_t kFrameOffsets[] = {0x000000, 0x010000, 0x010020, 0x02FFF0, 0x030010, 0x0FFFE0};
constexpr std::uint8_t kErasedSectors[] = {0, 4, 5, 6, 18};
constexpr int kVerifiedSectors[] = {4, 5, 6};
constexpr std::size_t kVerifyReply = 29;

const Bytes& Flash() {
    return SmallImageBytes();
}

Bytes Frame(std::uint32_t offset) {
    const std::uint32_t address = 0x100000 + offset;
    Bytes frame{0xF3, static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
                static_cast<std::uint8_t>(address)};
    frame.insert(frame.end(), Flash().begin() + offset, Flash().begin() + offset + 32);
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i)
        sum += frame[i];
    frame.push_back(static_cast<std::uint8_t>(~sum));
    return frame;
}

// The checksum of a sector as the protocol defines it: the ones' complement of the sum of its
// big-endian 16-bit words.
std::uint16_t SectorSum(int sector) {
    static const auto sums = [] {
        std::array<std::uint16_t, 19> all{};
        for (int s = 4; s <= 17; ++s) {
            const std::uint32_t start = static_cast<std::uint32_t>(s - 3) * 0x10000;
            std::uint16_t sum = 0;
            for (std::uint32_t i = 0; i < 0x10000; i += 2)
                sum = static_cast<std::uint16_t>(sum + (Flash()[start + i] << 8 | Flash()[start + i + 1]));
            all[s] = static_cast<std::uint16_t>(~sum);
        }
        return all;
    }();
    return sums[sector];
}

void CheckWritten(ExchangeWalk& walk) {
    for (std::uint8_t sector : kErasedSectors) {
        const Exchange& erase = walk.Next("reached the frames without erasing every sector");
        Require(Sent(erase, {0xF2, sector}), "the erase commands are not those of the image's sectors");
        Require(erase.Got().size() == 1 && erase.groups[0].polled == 1 &&
                    erase.Answered(1, protocol_ms::kReply),
                "a sector counted as erased without its one-byte answer");
    }
    std::size_t acknowledged = 0;
    while (walk.Peek() && (walk.Peek()->sent.size() == 37 || Sent(*walk.Peek(), {0xF3}))) {
        const Exchange& e = walk.Next("");
        if (e.sent.size() == 1)
            continue; // a resynchronisation
        Require(acknowledged < std::size(kFrameOffsets) && e.sent == Frame(kFrameOffsets[acknowledged]),
                "a frame was sent before the one before it was acknowledged, or is not the image's");
        const Bytes got = e.Got();
        if (!got.empty() && got[0] == 0x03 && e.Answered(1, protocol_ms::kReply))
            ++acknowledged;
    }
    Require(acknowledged == std::size(kFrameOffsets), "verified before every frame was acknowledged");
}

// Whether the checksums the controller reported for sectors 4 to 6 are the image's.
bool CheckVerified(ExchangeWalk& walk) {
    const Exchange& verify = walk.Next("ended without the verification");
    Require(Sent(verify, {0xF7}), "the verification command is not F7");
    const Bytes got = verify.Got();
    Require(got.size() == kVerifyReply && verify.groups.size() == 1 &&
                verify.groups[0].polled == kVerifyReply && got[0] == 0x07 &&
                verify.Answered(kVerifyReply, protocol_ms::kVerify),
            "compared checksums without the 29-byte reply 07 ...");
    return std::all_of(std::begin(kVerifiedSectors), std::end(kVerifiedSectors), [&](int sector) {
        const std::size_t at = 1 + 2 * static_cast<std::size_t>(sector - 4);
        return (got[at] << 8 | got[at + 1]) == SectorSum(sector);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace protocol_ms;
    OperationRun run(data, size);
    const bool verifyOnly = run.setup.extra % 2 == 1;
    const std::uint32_t frames = std::size(kFrameOffsets);
    const std::uint32_t sectors = std::size(kErasedSectors);
    run.Limit((run.setup.autoPort ? kSearchMs : 0) + WaitMs(kHandshake) + WaitMs(kReply) + kAfterBaudSwitch +
              sectors * WaitMs(kReply) + kAfterErase + frames * WaitMs(kReply) +
              (kResendLimit + 1) * (WaitMs(kReply) + kResyncWaits * WaitMs(kResync)) + WaitMs(kVerify) +
              3 * kProgressPhaseMs);
    ImageState state;
    FirmwareImage& image = SmallImage(state);
    const CommandResult r =
        verifyOnly ? VerifyProgram(run.session, image, state) : UpdateProgram(run.session, image, state);
    using End = CommandResult::End;
    if (verifyOnly)
        run.CheckEnd(r, {End::Done, End::ChecksumMismatch, End::Aborted}, {1, 2, 3, 8, 9});
    else
        run.CheckEnd(r, {End::Done, End::ChecksumMismatch, End::Aborted}, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    const auto sessions = run.Sessions();
    const std::size_t searched = run.CheckSearch(sessions, Probe::Connect, run.setup.autoPort);
    if (r.end != End::Done && r.end != End::ChecksumMismatch)
        return 0;
    ExchangeWalk walk = run.CheckConnection(sessions, searched, true);
    if (!verifyOnly)
        CheckWritten(walk);
    const bool same = CheckVerified(walk);
    Require(same == (r.end == End::Done), "CHECKSUM OK when the reported checksums differ, or the reverse");
    const Exchange& back = walk.Next("no return to 9600 bit/s");
    Require(Sent(back, {0xF9}) && walk.AtEnd(), "the update ended without F9 alone");
    Require(sessions.back().closed, "the port was not closed");
    return 0;
}
