#include "firmware/FirmwareCommands.h"

#include "core/FileSystem.h"
#include "core/FileUtil.h"
#include "core/SavePath.h"
#include "firmware/FirmwareFile.h"

#include <string>
#include <vector>

namespace bf {

namespace {

constexpr char kLogHexFile[] = "HEX FILE: ";
constexpr char kLogBinFile[] = "BIN FILE: ";
constexpr char kLogConvertedOk[] = "HEX FILE CONVERTED OK";
constexpr char kLogEraseCount[] = "NUMBER OF BLOCKS TO ERASE: ";
constexpr char kLogWriteCount[] = "NUMBER OF BLOCKS TO WRITE: ";
constexpr char kBoxConversionError[] = "Error: ";
constexpr char kHexExtension[] = "hex";
constexpr char kBinExtension[] = "bin";
constexpr char kBoxCaptionTitle[] = ""; // no caption of its own: the box shows the program's title

const std::vector<FileFilter>& OpenFilters() {
    static const std::vector<FileFilter> filters{{"Brenvaldor Firmware (*.hex;*.bin)", "*.hex;*.bin"},
                                                 {"All files (*.*)", "*.*"}};
    return filters;
}

const std::vector<FileFilter>& SaveFilters() {
    static const std::vector<FileFilter> filters{{"Brenvaldor Firmware (*.bin)", "*.bin"},
                                                 {"All files (*.*)", "*.*"}};
    return filters;
}

// Fills the cleared image from the file; a failure ends the command here (a box was shown).
ConversionResult LoadFile(Host& host, FirmwareImage& image, InputFile& file, const std::string& path) {
    ConversionResult result;
    if (HasExtension(path, kBinExtension)) {
        host.AppendLog(kLogBinFile + UpperBaseName(path));
        result.readError = ReadBinaryImage(file, file.Size(), image);
    } else if (HasExtension(path, kHexExtension)) {
        host.AppendLog(kLogHexFile + UpperBaseName(path));
        result = ConvertSRecordFile(file, file.Size(), image,
                                    [&host](int percent) { host.UpdateProgress(percent, 0); });
        if (result.errorNumber != 0) {
            host.ShowMessageBox(kBoxConversionError + std::to_string(result.errorNumber), kBoxCaptionTitle,
                                BoxIcon::None);
            return result;
        }
        if (result.readError == 0)
            host.AppendLog(kLogConvertedOk);
    }
    if (result.readError != 0)
        host.ShowMessageBox(FileReadErrorText(path, result.readError), kBoxCaptionTitle, BoxIcon::Error);
    return result;
}

void CountBlocks(Host& host, FirmwareImage& image, ImageState& state) {
    state.m_nBlocksToErase = image.CountEraseFrames();
    host.AppendLog(kLogEraseCount + std::to_string(state.m_nBlocksToErase));
    state.m_nBlocksToWrite = image.CountWriteFrames();
    host.AppendLog(kLogWriteCount + std::to_string(state.m_nBlocksToWrite));
    host.UpdateProgress(0, 1);
}

// Writes the image, reporting i * 100 / size after byte i as the byte-by-byte loop would: each
// percentage is reported once, right after the first byte that reaches it.
bool WriteImage(Host& host, AtomicFileWriter& writer, const FirmwareImage& image) {
    constexpr std::uint64_t size = FirmwareImage::kImageSize;
    std::uint64_t written = 0;
    for (std::uint64_t percent = 1;; ++percent) {
        const std::uint64_t firstByte = (percent * size + 99) / 100;
        if (firstByte >= size)
            break;
        if (!writer.Write(image.data() + written, firstByte + 1 - written))
            return false;
        written = firstByte + 1;
        host.UpdateProgress(static_cast<int>(percent), 0);
    }
    return writer.Write(image.data() + written, size - written);
}

} // namespace

OpenResult OpenFirmware(Host& host, FirmwareImage& image, ImageState& state) {
    host.ClearLog();
    const auto chosen = host.AskOpenFileName(OpenFilters());
    if (!chosen)
        return {};

    OpenResult result;
    // Only a regular file is opened: a folder, a pipe or a device is refused rather than read (a
    // device could deliver a line without end).
    InputFile file(*chosen);
    const bool opened = file.IsOpen();
    result.openError = file.Error();
    result.fileSize = file.Size();
    if (opened) {
        host.UpdateProgress(0, 1);
        image.ClearImage();
        state.loaded = false;
        result.conversion = LoadFile(host, image, file, *chosen);
        if (!result.conversion.ok())
            return result;
    }
    CountBlocks(host, image, state);
    // A file that could not be opened leaves the image, and whether it counts as loaded, as it was.
    if (opened)
        state.loaded = true;
    result.loaded = opened;
    return result;
}

bool IsFirmwareFileName(std::string_view path) {
    return HasExtension(path, kBinExtension) || HasExtension(path, kHexExtension);
}

CommandResult SaveFirmwareAs(Host& host, const FirmwareImage& image) {
    const auto chosen = host.AskSaveFileName(SaveFilters());
    if (!chosen)
        return CommandResult::Of(CommandResult::End::Cancelled);
    const auto confirmed = ConfirmedSavePath(host, *chosen, kBinExtension);
    if (!confirmed)
        return CommandResult::Of(CommandResult::End::Cancelled);
    const std::string& path = *confirmed;

    host.UpdateProgress(0, 1);
    AtomicFileWriter writer(path);
    const bool written = writer.Open() && WriteImage(host, writer, image) && writer.Commit();
    if (!written)
        host.ShowMessageBox(writer.ErrorText(), kBoxCaptionTitle, BoxIcon::Error);
    host.UpdateProgress(0, 1);
    return written ? CommandResult::Done() : CommandResult::Of(CommandResult::End::FileFailed);
}

} // namespace bf
