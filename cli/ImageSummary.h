#pragma once

#include "firmware/FirmwareImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bf::cli {

// A run of controller addresses, both ends included.
struct AddressRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// The stretches of flash an update writes: the write frames, merged where they touch, each trimmed
// to its first and last non-blank byte. Runs the write-frame builder from the start.
std::vector<AddressRange> NonBlankRanges(FirmwareImage& image);

// Seconds the write phase spends on the wire at `rate` bit/s: per frame 37 bytes out and the
// one-byte answer back, at 11 bits a byte (start bit, 8 data bits, 2 stop bits).
double WritePhaseWireSeconds(std::int32_t writeFrames, int rate);

// What `info` prints about a loaded image: type and size of the file, the ranges, the sectors an
// update erases, the frame counts and the wire time of the write phase at the four rates.
std::vector<std::string> ImageSummary(FirmwareImage& image, const ImageState& state, const std::string& type,
                                      std::uint64_t fileSize);

// The controller addresses of a sector, "0x110000-0x11FFFF".
std::string SectorSpanText(int sector);

// The erase frames an update sends, one line each ("erase frame: F2 04 (0x110000-0x11FFFF)").
std::vector<std::string> EraseFrameLines(FirmwareImage& image);

} // namespace bf::cli
