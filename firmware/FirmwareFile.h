#pragma once

#include "core/ByteSource.h"
#include "firmware/FirmwareImage.h"

#include <cstdint>
#include <functional>

namespace bf {

// Receives each new progress percentage of a conversion.
using ProgressFn = std::function<void(int percent)>;

struct ConversionResult {
    int errorNumber = 0;    // the N of the "Error: N" box; 0 when the file converted
    int readError = 0;      // errno of a failed read; 0 when the file was read to its end
    std::uint64_t line = 0; // the line (1-based) of the record that failed; 0 without an error
    bool ok() const { return errorNumber == 0 && readError == 0; }
};

// The "Error: N" number for a ParseS3Record result; 0 for the results that let the conversion go on.
int ConversionErrorNumber(std::uint8_t parseResult);

// Converts the S-record file read from `source` into the (cleared) image, line by line, stopping at the
// first error. Empty lines are skipped; other lines that are no S3 record are skipped by the parser.
// After each line that parsed, `progress` gets the percentage of the file read so far, but only
// when it differs from the last one it was given (starting from 0). A file whose length differs
// from `fileLength` when it has been read gives the read error kFileChangedWhileRead.
ConversionResult ConvertSRecordFile(ByteSource& source, std::uint64_t fileLength, FirmwareImage& image,
                                    const ProgressFn& progress);

// Reads up to the image size from the start of the binary file read from `source` into the image, then
// marks the sectors that hold non-blank bytes. Returns 0, errno of a failed read, or
// kFileChangedWhileRead when the file did not hold `fileLength` bytes (or the image size) to read.
int ReadBinaryImage(ByteSource& source, std::uint64_t fileLength, FirmwareImage& image);

} // namespace bf
