#include "firmware/FirmwareFile.h"

#include "core/FileUtil.h"
#include "firmware/LineReader.h"

#include <algorithm>

namespace bf {

namespace {

// The reader keeps at least as much of a long line as the parser can read of it.
static_assert(LineReader::kKeep >= FirmwareImage::kMaxRecordChars);

// 0 when `bytesRead` is the length the file had when it was opened; a file still being copied or
// cut short meanwhile is not taken for a complete one.
int LengthCheck(std::uint64_t bytesRead, std::uint64_t fileLength) {
    return bytesRead == fileLength ? 0 : kFileChangedWhileRead;
}

// The first byte count whose percentage of `length` is above `percent`.
std::uint64_t NextPercentStep(int percent, std::uint64_t length) {
    return (static_cast<std::uint64_t>(percent + 1) * length + 99) / 100;
}

} // namespace

int ConversionErrorNumber(std::uint8_t parseResult) {
    switch (parseResult) {
    case FirmwareImage::kBadDigit:
        return 1;
    case FirmwareImage::kOverlap:
        return 2;
    case FirmwareImage::kStartsOutside:
        return 3;
    case FirmwareImage::kEndsOutside:
        return 4;
    case FirmwareImage::kOutside:
        return 5;
    case FirmwareImage::kBadChecksum:
        return 6;
    default:
        return 0;
    }
}

ConversionResult ConvertSRecordFile(ByteSource& source, std::uint64_t fileLength, FirmwareImage& image,
                                    const ProgressFn& progress) {
    ConversionResult result;
    LineReader reader(source);
    LineReader::Line line;
    std::uint64_t bytesRead = 0;
    // The percentage bytesRead * 100 / fileLength changes only at these byte counts: comparing
    // against the next one spares a division per line.
    int percent = 0;
    std::uint64_t nextStep = NextPercentStep(percent, fileLength);
    std::uint64_t lineNumber = 0;
    while (reader.Next(line)) {
        ++lineNumber;
        bytesRead += line.consumed;
        if (line.length == 0)
            continue;
        result.errorNumber = ConversionErrorNumber(image.ParseS3Record(line.text));
        if (result.errorNumber != 0) {
            result.line = lineNumber;
            return result;
        }
        if (bytesRead >= nextStep && percent < 100) {
            // A file that grew while being read must not push the percentage past 100.
            percent = bytesRead >= fileLength ? 100 : static_cast<int>(bytesRead * 100 / fileLength);
            nextStep = NextPercentStep(percent, fileLength);
            progress(percent);
        }
    }
    result.readError = reader.Error();
    if (result.readError == 0)
        result.readError = LengthCheck(reader.BytesRead(), fileLength);
    return result;
}

int ReadBinaryImage(ByteSource& source, std::uint64_t fileLength, FirmwareImage& image) {
    std::uint8_t* bytes = image.data();
    std::size_t filled = 0;
    while (filled < FirmwareImage::kImageSize) {
        const std::size_t n = source.Read(bytes + filled, FirmwareImage::kImageSize - filled);
        if (n == 0)
            break;
        filled += n;
    }
    if (const int error = source.Error(); error != 0)
        return error;
    image.MarkNonBlankSectors();
    return LengthCheck(filled, std::min<std::uint64_t>(fileLength, FirmwareImage::kImageSize));
}

} // namespace bf
