#include "firmware/ProgramBackup.h"

#include "core/FileUtil.h"
#include "core/SavePath.h"
#include "firmware/FirmwareImage.h"
#include "link/ControllerConnection.h"
#include "link/Link.h"
#include "link/ResultCodes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace bf {

namespace {

constexpr char kLogBackup[] = "BACKUP PROGRAM";
constexpr char kBinExtension[] = "bin";

constexpr std::uint8_t kFirstBlock = 1;
constexpr std::uint8_t kLastBlock = 18;
constexpr std::uint32_t kFirstStore = 0x4000; // sector 1; sector 0 is never read back
constexpr std::uint32_t kPacketSize = 37;
constexpr std::uint32_t kPacketDataOffset = 4;
constexpr std::uint32_t kPacketDataSize = 32;
// Progress: bytes stored as a percentage of sectors 1 to 17 (0xEC000 bytes).
constexpr std::uint32_t kProgressBase = kFirstStore * 100;
constexpr std::uint32_t kProgressSpan = 0xEC000;
constexpr int kFullPercent = 100;

std::vector<FileFilter> BackupFilters() {
    return {{"Brenvaldor firmware (*.bin)", "*.bin"}, {"All files (*.*)", "*.*"}};
}

// The flash read back, laid out like a firmware image; the data is stored in arrival order.
struct Backup {
    std::vector<std::uint8_t> bytes =
        std::vector<std::uint8_t>(FirmwareImage::kImageSize, FirmwareImage::kBlank);
    std::uint32_t store = kFirstStore;
};

// Packets beyond the flash (a controller that sends more than sectors 1 to 18 hold) are dropped.
void StorePacket(Backup& b, const std::uint8_t* packet) {
    if (b.store + kPacketDataSize > FirmwareImage::kFlashSize)
        return;
    std::memcpy(b.bytes.data() + b.store, packet + kPacketDataOffset, kPacketDataSize);
    b.store += kPacketDataSize;
}

// Sector 18 takes the figure past 100; the display is never asked for more.
void ShowReadProgress(Host& host, std::uint32_t store) {
    const std::uint32_t percent = (store * 100 - kProgressBase) / kProgressSpan;
    host.UpdateProgress(std::min<int>(static_cast<int>(percent), kFullPercent), 0);
}

StepResult ReadBlock(Session& s, std::uint8_t block, Backup& b) {
    const std::array<std::uint8_t, 2> request{cmd::ReadBlock, block};
    SendBytes(s, request.data(), request.size());
    for (;;) {
        const ReplyWait wait = WaitForReply(s, kPacketSize, timeout::Reply, true);
        if (wait.aborted)
            return StepResult::Abort();
        if (wait.count == 0)
            return StepResult::Success(); // silence ends the block
        std::array<std::uint8_t, kPacketSize> packet{};
        if (wait.count >= kPacketSize) {
            ReadReply(s.port, kPacketSize, packet.data(), packet.size());
            StorePacket(b, packet.data());
        } else {
            ReadReply(s.port, wait.count, packet.data(), packet.size());
            if (packet[0] == cmd::BlockEnd)
                return StepResult::Success();
        }
        ShowReadProgress(s.host, b.store);
        if (s.host.CloseRequested())
            return StepResult::Abort();
    }
}

StepResult ReadFlash(Session& s, Backup& b) {
    if (const std::uint8_t code = ConnectController(s, true); code != result::Ok)
        return StepResult::Failure(code);
    s.host.AppendLog(kLogBackup);
    s.host.UpdateProgress(0, 1);
    for (std::uint8_t block = kFirstBlock; block <= kLastBlock; ++block)
        if (const StepResult r = ReadBlock(s, block, b); !r.Succeeded())
            return r;
    s.host.UpdateProgress(0, 1);
    return StepResult::Success();
}

// Writes in one chunk per percent, showing the same figures a byte-by-byte loop would, into the
// temporary file: the target is replaced only once the command has ended well.
bool WriteWithProgress(Host& host, AtomicFileWriter& file, const std::vector<std::uint8_t>& bytes) {
    const std::size_t size = bytes.size();
    std::size_t from = 0;
    while (from < size) {
        const std::size_t percent = from * 100 / size;
        const std::size_t to = std::min(size, ((percent + 1) * size + 99) / 100);
        host.UpdateProgress(static_cast<int>(percent), 0);
        if (!file.Write(bytes.data() + from, to - from))
            return false;
        from = to;
    }
    return true;
}

CommandResult RunBackup(Session& s, AtomicFileWriter& file) {
    Backup backup;
    s.host.EnableToolbarButtons(false, false, false);
    s.host.ClearCloseRequest();
    const StepResult r = ReadFlash(s, backup);
    if (r.aborted)
        return CommandResult::Of(CommandResult::End::Aborted); // the window is closing; the old file stays
    if (r.code != result::Ok) {
        FailureExit(s, r.code, kBackupProfile);
        return CommandResult::Failed(r.code);
    }
    const bool written = WriteWithProgress(s.host, file, backup.bytes);
    s.host.UpdateProgress(0, 1);
    ReturnTo9600AndClose(s); // a port that fails here leaves the old file as it was
    if (!written || !file.Commit()) {
        s.host.ShowMessageBox(file.ErrorText(), "", BoxIcon::Error);
        return CommandResult::Of(CommandResult::End::FileFailed);
    }
    return CommandResult::Done();
}

} // namespace

CommandResult BackupProgram(Session& s) {
    s.host.ClearLog();
    const auto chosen = s.host.AskSaveFileName(BackupFilters());
    if (!chosen)
        return CommandResult::Of(CommandResult::End::Cancelled);
    const auto path = ConfirmedSavePath(s.host, *chosen, kBinExtension);
    if (!path)
        return CommandResult::Of(CommandResult::End::Cancelled);
    // The target must be writable before the controller is contacted; the old file is only
    // replaced once the whole backup is in.
    AtomicFileWriter file(*path);
    if (!file.Open()) {
        s.host.ShowMessageBox(FileWriteErrorText(file.Path(), file.Error()), "", BoxIcon::Error);
        return CommandResult::Of(CommandResult::End::FileFailed);
    }
    try {
        return RunBackup(s, file);
    } catch (const CSerialException& error) {
        PortFailureExit(s, error, kBackupProfile);
        return CommandResult::Failed(result::PortFailure);
    }
}

} // namespace bf
