// libFuzzer target: up to two lines through ParseS3Record, checked against a plain reading of the
// record rules built on the image's public operations, one character at a time.
#include "firmware/FirmwareImage.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

using bf::FirmwareImage;

// The next two characters as a byte, or false when either is missing or no hex digit.
bool ReferenceByte(std::string_view line, std::size_t& pos, std::uint8_t& value) {
    const std::uint8_t high = pos < line.size() ? FirmwareImage::HexDigitValue(line[pos]) : 0xFF;
    const std::uint8_t low = pos + 1 < line.size() ? FirmwareImage::HexDigitValue(line[pos + 1]) : 0xFF;
    pos += 2;
    value = static_cast<std::uint8_t>(high << 4 | low);
    return high <= 15 && low <= 15;
}

std::uint8_t ReferenceParse(FirmwareImage& image, std::string_view line) {
    if (line.empty() || line[0] != 'S')
        return 1;
    if (line.size() < 2 || line[1] != '3')
        return 2;
    std::size_t pos = 2;
    std::uint8_t count = 0;
    if (!ReferenceByte(line, pos, count))
        return 3;
    std::uint8_t sum = count;
    std::uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint8_t b = 0;
        if (!ReferenceByte(line, pos, b))
            return 3;
        sum = static_cast<std::uint8_t>(sum + b);
        address = address << 8 | b;
    }
    const std::uint8_t n = static_cast<std::uint8_t>(count - 5);
    const bool startIn = image.MarkSector(address);
    const bool endIn = image.MarkSector(n == 0 ? address : address + n - 1);
    if (!startIn && !endIn)
        return 4;
    std::uint8_t result = startIn && endIn ? 0 : (startIn ? 6 : 5);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint8_t b = 0;
        if (!ReferenceByte(line, pos, b))
            return 3;
        sum = static_cast<std::uint8_t>(sum + b);
        if (image.StoreImageByte(address + i, b) == FirmwareImage::kTaken)
            result = 7;
    }
    std::uint8_t checksum = 0;
    if (!ReferenceByte(line, pos, checksum))
        return 3;
    return checksum == static_cast<std::uint8_t>(~sum) ? result : 8;
}

bool SameImage(const FirmwareImage& a, const FirmwareImage& b) {
    for (int s = 0; s < FirmwareImage::kSectorCount; ++s)
        if (a.IsSectorMarked(s) != b.IsSectorMarked(s))
            return false;
    return std::memcmp(a.data(), b.data(), FirmwareImage::kImageSize) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto* image = new FirmwareImage;
    static auto* reference = new FirmwareImage;
    image->ClearImage();
    reference->ClearImage();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // Several lines: the later ones land on what the earlier ones stored (overlaps).
    while (!input.empty()) {
        const std::size_t newline = input.find('\n');
        const std::string_view line = input.substr(0, newline);
        if (image->ParseS3Record(line) != ReferenceParse(*reference, line))
            __builtin_trap();
        input = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    }
    if (!SameImage(*image, *reference))
        __builtin_trap();
    // The padding has no address: no record may write it.
    for (std::uint32_t i = FirmwareImage::kFlashSize; i < FirmwareImage::kImageSize; ++i)
        if (image->data()[i] != FirmwareImage::kBlank)
            __builtin_trap();
    return 0;
}
