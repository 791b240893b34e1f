#pragma once

#include "firmware/FirmwareImage.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace bf::fuzz {

// The image the update target sends: 32 bytes in sector 0, 64 in sector 4, 34 across the end of
// sector 5 into sector 6, and the last 32 bytes of the flash (sector 18). Small, so that a run is
// short, and with a frame on each side of a sector border and one at the very end of the flash.
struct ImagePiece {
    std::uint32_t offset;
    std::uint32_t size;
};
inline constexpr ImagePiece kSmallImagePieces[] = {
    {0x000000, 32}, {0x010000, 64}, {0x02FFF0, 34}, {0x0FFFE0, 32}};

// The image's bytes (never 0xFF) at their offsets, 0xFF elsewhere, padding included.
inline const std::vector<std::uint8_t>& SmallImageBytes() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(FirmwareImage::kImageSize, 0xFF);
        for (const ImagePiece& p : kSmallImagePieces)
            for (std::uint32_t i = 0; i < p.size; ++i)
                b[p.offset + i] = static_cast<std::uint8_t>((p.offset / 16 + i * 37 + 11) % 251);
        return b;
    }();
    return bytes;
}

// The image as Open leaves it, loaded once: the operations change no byte and no mark of it.
// Each call clears the checksums the controller reported in the run before.
inline FirmwareImage& SmallImage(ImageState& state) {
    static FirmwareImage* image = [] {
        auto* loaded = new FirmwareImage;
        loaded->ClearImage();
        for (const ImagePiece& p : kSmallImagePieces)
            std::memcpy(loaded->data() + p.offset, SmallImageBytes().data() + p.offset, p.size);
        loaded->MarkNonBlankSectors();
        return loaded;
    }();
    static const ImageState counted{image->CountEraseFrames(), image->CountWriteFrames(), true};
    for (int i = 0; i < FirmwareImage::kLastVerifiedSector - FirmwareImage::kFirstVerifiedSector + 1; ++i)
        image->StoreControllerChecksum(0, i == 0);
    state = counted;
    return *image;
}

} // namespace bf::fuzz
