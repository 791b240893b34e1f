// libFuzzer target: a whole S-record file through the conversion, then the frame builders.
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwareImage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto* image = new bf::FirmwareImage;
    image->ClearImage();
    bf::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
    int last = 0;
    const auto result = bf::ConvertSRecordFile(source, size, *image, [&last](int percent) {
        // Percentages rise strictly and stay within 1 to 100.
        if (percent <= last || percent > 100)
            __builtin_trap();
        last = percent;
    });
    if (result.errorNumber < 0 || result.errorNumber > 6 || result.readError != 0)
        __builtin_trap();

    std::uint8_t frame[bf::FirmwareImage::kWriteFrameSize];
    int frames = 0;
    for (bool restart = true; image->NextWriteFrame(frame, restart); restart = false)
        if (++frames > 32768 || frame[1] < 0x10 || frame[1] > 0x1F || frame[3] % 2 != 0)
            __builtin_trap();
    for (bool restart = true; image->NextEraseFrame(frame, restart); restart = false)
        if (frame[1] >= bf::FirmwareImage::kSectorCount || !image->IsSectorMarked(frame[1]))
            __builtin_trap();
    return 0;
}
