#include "firmware/FlashUpdate.h"

#include "link/ControllerConnection.h"
#include "link/Link.h"
#include "link/ResultCodes.h"

#include <array>
#include <string>

namespace bf {

namespace {

constexpr char kLogErase[] = "ERASE FLASH MEMORY";
constexpr char kLogVerify[] = "VERIFY CHECKSUM";
constexpr char kLogChecksumOk[] = "CHECKSUM OK";
constexpr char kLogChecksumError[] = "CHECKSUM ERROR";
constexpr char kBoxNoImage[] = "No firmware loaded.\nOpen a complete firmware file before updating.";
constexpr char kBoxNoFirmwareData[] =
    "The loaded file holds no firmware data for the controller.\n"
    "Open an S-record file with S3 records (*.hex) or a binary image (*.bin).";

constexpr std::size_t kReplyBufferSize = 64;
constexpr int kConsecutiveFailureLimit = 5;
constexpr int kResendLimit = 30;
constexpr std::uint32_t kVerifyReplySize = 29;
constexpr int kReportedChecksums = 14;

struct WriteCounters {
    std::uint32_t acknowledged = 0;
    int consecutiveFailures = 0; // since the last acknowledgement
    int resends = 0;             // in the whole update, never reset
};

std::uint32_t BlockCount(std::int32_t count) {
    return count > 0 ? static_cast<std::uint32_t>(count) : 0;
}

void ShowCounter(Host& host, char kind, int resends) {
    host.SetCounterText(std::string(1, kind) + " " + std::to_string(resends));
}

// 03 acknowledges; 04, 05, 06 are refusals with their own codes; anything else is unexpected.
std::uint8_t ClassifyWriteReply(std::uint8_t first) {
    switch (first) {
    case cmd::FrameWritten:
        return result::Ok;
    case cmd::FrameChecksumError:
        return result::ChecksumError;
    case cmd::FrameBlockNotEmpty:
        return result::BlockNotEmpty;
    case cmd::FrameOutOfBounds:
        return result::AddressOutOfBounds;
    default:
        return result::NoAnswer;
    }
}

StepResult ErasePhase(Session& s, FirmwareImage& image, std::uint32_t blocksToErase) {
    s.host.AppendLog(kLogErase);
    s.host.UpdateProgress(0, 1);
    std::array<std::uint8_t, FirmwareImage::kEraseFrameSize> frame;
    std::uint32_t erased = 0;
    for (bool more = image.NextEraseFrame(frame.data(), true); more;
         more = image.NextEraseFrame(frame.data(), false)) {
        if (const StepResult r = EraseSector(s, frame[1]); !r.Succeeded())
            return r;
        ShowProgress(s.host, ++erased, blocksToErase);
    }
    s.clock.sleepMs(timeout::AfterErase);
    s.port.DiscardInput(); // what came during the pause acknowledges no frame
    return StepResult::Success();
}

// After a lost or garbled frame: a lone F3, then up to 11 short waits for any sign of life. What
// arrived is thrown away unread, so the frame is sent again into a clean line.
StepResult Resynchronise(Session& s, WriteCounters& c) {
    SendByte(s, cmd::WriteFrame);
    for (int i = 0; i < timeout::ResyncWaits; ++i) {
        const ReplyWait wait = WaitForReply(s, 1, timeout::Resync, true);
        if (wait.aborted)
            return StepResult::Abort();
        ShowCounter(s.host, 'S', ++c.resends);
        if (wait.count > 0)
            break;
    }
    ++c.consecutiveFailures;
    s.port.AbortPendingReads();
    s.port.DiscardInput();
    return StepResult::Success();
}

// Sends the current frame once and acts on the reply. `advance` is set when the frame was written.
StepResult SendFrame(Session& s, const std::uint8_t* frame, std::uint32_t blocksToWrite, WriteCounters& c,
                     bool& advance) {
    advance = false;
    SendBytes(s, frame, FirmwareImage::kWriteFrameSize);
    const ReplyWait wait = WaitForReply(s, 1, timeout::Reply, true);
    if (wait.aborted)
        return StepResult::Abort();
    if (wait.count == 0)
        return Resynchronise(s, c);
    std::array<std::uint8_t, kReplyBufferSize> reply{};
    ReadReply(s.port, wait.count, reply.data(), reply.size());
    const std::uint8_t code = ClassifyWriteReply(reply[0]);
    if (code == result::Ok) {
        // An acknowledgement always counts, however many failures came before it.
        ShowProgress(s.host, ++c.acknowledged, blocksToWrite);
        c.consecutiveFailures = 0;
        advance = true;
        return StepResult::Success();
    }
    if (c.consecutiveFailures >= kConsecutiveFailureLimit)
        return StepResult::Failure(code);
    if (code == result::NoAnswer)
        return Resynchronise(s, c);
    ++c.consecutiveFailures;
    ShowCounter(s.host, 'R', ++c.resends);
    return StepResult::Success();
}

StepResult WritePhase(Session& s, FirmwareImage& image, std::uint32_t blocksToWrite) {
    s.host.AppendLog(kLogWritePhase);
    WriteCounters counters;
    s.host.UpdateProgress(0, 1);
    std::array<std::uint8_t, FirmwareImage::kWriteFrameSize> frame;
    bool pending = image.NextWriteFrame(frame.data(), true);
    while (pending) {
        bool advance = false;
        if (const StepResult r = SendFrame(s, frame.data(), blocksToWrite, counters, advance); !r.Succeeded())
            return r;
        if (counters.resends > kResendLimit)
            return StepResult::Failure(result::TooManyResends);
        if (advance)
            pending = image.NextWriteFrame(frame.data(), false);
    }
    return StepResult::Success();
}

StepResult Verify(Session& s, FirmwareImage& image) {
    s.host.AppendLog(kLogVerify);
    SendByte(s, cmd::ReportChecksums);
    const ReplyWait wait = WaitForReply(s, kVerifyReplySize, timeout::Verify, true);
    if (wait.aborted)
        return StepResult::Abort();
    if (wait.count == 0)
        return StepResult::Failure(result::NoAnswer);
    std::array<std::uint8_t, kVerifyReplySize> reply{};
    if (wait.count != kVerifyReplySize ||
        ReadReply(s.port, wait.count, reply.data(), reply.size()) != reply.size() ||
        reply[0] != cmd::ChecksumReport)
        return StepResult::Failure(result::WrongAnswer);
    for (int i = 0; i < kReportedChecksums; ++i) {
        const auto value = static_cast<std::uint16_t>(reply[1 + 2 * i] << 8 | reply[2 + 2 * i]);
        image.StoreControllerChecksum(value, i == 0);
    }
    s.host.AppendLog(image.VerifySectorChecksums() ? kLogChecksumOk : kLogChecksumError);
    return StepResult::Success();
}

StepResult RunUpdate(Session& s, FirmwareImage& image, const ImageState& state) {
    if (const std::uint8_t code = ConnectController(s, true); code != result::Ok)
        return StepResult::Failure(code);
    if (const StepResult r = ErasePhase(s, image, BlockCount(state.m_nBlocksToErase)); !r.Succeeded())
        return r;
    if (const StepResult r = WritePhase(s, image, BlockCount(state.m_nBlocksToWrite)); !r.Succeeded())
        return r;
    return Verify(s, image);
}

StepResult RunVerify(Session& s, FirmwareImage& image) {
    if (const std::uint8_t code = ConnectController(s, true); code != result::Ok)
        return StepResult::Failure(code);
    return Verify(s, image);
}

// What the update and the verification share around their steps: the refusal of an image that
// was not loaded whole or holds nothing to write, the start (log emptied, counter emptied, toolbar
// off, closing flag cleared), and the ends: normal, failure exit, or silence when the window is
// closing.
template <typename Steps>
CommandResult RunWithController(Session& s, FirmwareImage& image, const ImageState& state, Steps steps) {
    if (const char* refusal = UpdateRefusal(state)) {
        s.host.ShowMessageBox(refusal, "", BoxIcon::Error);
        return CommandResult::Of(CommandResult::End::FileFailed);
    }
    s.host.ClearLog();
    s.host.SetCounterText("");
    s.host.EnableToolbarButtons(false, false, false);
    s.host.ClearCloseRequest();
    try {
        const StepResult r = steps();
        if (r.aborted)
            return CommandResult::Of(
                CommandResult::End::Aborted); // the window is closing: not a byte or word more
        if (r.code != result::Ok) {
            FailureExit(s, r.code, kUpdateProfile);
            return CommandResult::Failed(r.code);
        }
        ReturnTo9600AndClose(s);
        return image.VerifySectorChecksums() ? CommandResult::Done()
                                             : CommandResult::Of(CommandResult::End::ChecksumMismatch);
    } catch (const CSerialException& error) {
        PortFailureExit(s, error, kUpdateProfile);
        return CommandResult::Failed(result::PortFailure);
    }
}

} // namespace

const char* UpdateRefusal(const ImageState& state) {
    if (!state.loaded)
        return kBoxNoImage;
    // Without a write block the update would erase, write and verify nothing and still end with
    // "CHECKSUM OK", and a verification would compare no sector and find them all equal.
    if (state.m_nBlocksToWrite <= 0)
        return kBoxNoFirmwareData;
    return nullptr;
}

CommandResult UpdateProgram(Session& s, FirmwareImage& image, const ImageState& state) {
    return RunWithController(s, image, state, [&] { return RunUpdate(s, image, state); });
}

CommandResult VerifyProgram(Session& s, FirmwareImage& image, const ImageState& state) {
    return RunWithController(s, image, state, [&] { return RunVerify(s, image); });
}

} // namespace bf
