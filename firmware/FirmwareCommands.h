#pragma once

#include "core/Host.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwareImage.h"
#include "link/CommandResult.h"

#include <cstdint>
#include <string_view>

namespace bf {

// How Open ended, for callers that act on it (the command line).
struct OpenResult {
    bool loaded = false;         // a file was read whole and its blocks counted
    int openError = 0;           // errno when the chosen file could not be opened, or kNotRegularFile
    std::uint64_t fileSize = 0;  // the size the file had when it was opened
    ConversionResult conversion; // the conversion or read failure, with the failing line
};

// File > Open...: loads an S-record (.hex) or binary (.bin) file into the image and counts blocks.
OpenResult OpenFirmware(Host& host, FirmwareImage& image, ImageState& state);
// True for a name Open loads (extension hex or bin, in any case).
bool IsFirmwareFileName(std::string_view path);
// File > Save As...: writes the whole image to a .bin file, atomically.
CommandResult SaveFirmwareAs(Host& host, const FirmwareImage& image);

} // namespace bf
