#include "cli/ImageSummary.h"

#include "core/Format.h"

#include <algorithm>
#include <array>
#include <optional>

namespace bf::cli {

namespace {

constexpr std::array<int, 4> kRates{9600, 19200, 38400, 57600};
constexpr std::uint32_t kFrameData = 32; // image bytes a write frame carries
constexpr double kBitsPerFrame = (FirmwareImage::kWriteFrameSize + 1) * 11.0;

std::uint32_t WriteFrameAddress(const std::uint8_t* frame) {
    return static_cast<std::uint32_t>(frame[1] << 16 | frame[2] << 8 | frame[3]);
}

// The range [from, to) of image offsets, cut at the end of the flash, trimmed to its first and last
// non-blank byte. Every write frame starts on a pair with a non-blank flash byte, so both exist.
AddressRange Trimmed(const FirmwareImage& image, std::uint32_t from, std::uint32_t to) {
    const std::uint8_t* bytes = image.data();
    to = std::min(to, FirmwareImage::kFlashSize);
    while (bytes[from] == FirmwareImage::kBlank)
        ++from;
    while (bytes[to - 1] == FirmwareImage::kBlank)
        --to;
    return {FirmwareImage::kBaseAddress + from, FirmwareImage::kBaseAddress + to - 1};
}

std::string MarkedSectors(const FirmwareImage& image) {
    std::string list;
    for (int sector = 0; sector < FirmwareImage::kSectorCount; ++sector)
        if (image.IsSectorMarked(sector))
            list += " " + std::to_string(sector);
    return list.empty() ? " none" : list;
}

} // namespace

std::vector<AddressRange> NonBlankRanges(FirmwareImage& image) {
    std::vector<AddressRange> ranges;
    std::array<std::uint8_t, FirmwareImage::kWriteFrameSize> frame;
    std::optional<std::uint32_t> from; // start of the open run of frames, which ends at `to`
    std::uint32_t to = 0;
    for (bool more = image.NextWriteFrame(frame.data(), true); more;
         more = image.NextWriteFrame(frame.data(), false)) {
        const std::uint32_t offset = WriteFrameAddress(frame.data()) - FirmwareImage::kBaseAddress;
        if (from && offset > to) {
            ranges.push_back(Trimmed(image, *from, to));
            from.reset();
        }
        if (!from)
            from = offset;
        to = offset + kFrameData;
    }
    if (from)
        ranges.push_back(Trimmed(image, *from, to));
    return ranges;
}

double WritePhaseWireSeconds(std::int32_t writeFrames, int rate) {
    return writeFrames * kBitsPerFrame / rate;
}

std::vector<std::string> ImageSummary(FirmwareImage& image, const ImageState& state, const std::string& type,
                                      std::uint64_t fileSize) {
    std::vector<std::string> lines{
        Format("type: %s, %llu bytes", type.c_str(), static_cast<unsigned long long>(fileSize))};
    const std::vector<AddressRange> ranges = NonBlankRanges(image);
    lines.push_back(Format("non-blank ranges: %zu", ranges.size()));
    for (const AddressRange& r : ranges)
        lines.push_back(Format("  0x%06X-0x%06X (%u bytes)", r.first, r.last, r.last - r.first + 1));
    lines.push_back("sectors to erase:" + MarkedSectors(image));
    lines.push_back(Format("erase frames: %d", state.m_nBlocksToErase));
    lines.push_back(Format("write frames: %d", state.m_nBlocksToWrite));
    lines.push_back("write phase on the wire:");
    for (const int rate : kRates) {
        const double seconds = WritePhaseWireSeconds(state.m_nBlocksToWrite, rate);
        const int whole = static_cast<int>(seconds + 0.5);
        lines.push_back(Format("  %5d bit/s: %d min %02d s", rate, whole / 60, whole % 60));
    }
    return lines;
}

std::string SectorSpanText(int sector) {
    const std::uint32_t start = FirmwareImage::kBaseAddress + FirmwareImage::SectorStart(sector);
    return Format("0x%06X-0x%06X", start, start + FirmwareImage::SectorSize(sector) - 1);
}

std::vector<std::string> EraseFrameLines(FirmwareImage& image) {
    std::vector<std::string> lines;
    std::array<std::uint8_t, FirmwareImage::kEraseFrameSize> frame;
    for (bool more = image.NextEraseFrame(frame.data(), true); more;
         more = image.NextEraseFrame(frame.data(), false))
        lines.push_back(Format("erase frame: %02X %02X (sector %d, ", frame[0], frame[1], frame[1]) +
                        SectorSpanText(frame[1]) + ")");
    return lines;
}

} // namespace bf::cli
