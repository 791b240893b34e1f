#include "firmware/ProgressWrite.h"

namespace bf {

bool WriteShowingProgress(Host& host, AtomicFileWriter& file, const std::uint8_t* bytes, std::size_t size) {
    std::size_t written = 0;
    for (int percent = 1; percent < 100; ++percent) {
        // The first byte whose share reaches `percent`: ceil(percent * size / 100).
        const std::size_t first = (static_cast<std::uint64_t>(percent) * size + 99) / 100;
        if (first >= size)
            break;
        if (!file.Write(bytes + written, first - written))
            return false;
        written = first;
        host.UpdateProgress(percent, 0);
    }
    return file.Write(bytes + written, size - written);
}

} // namespace bf
