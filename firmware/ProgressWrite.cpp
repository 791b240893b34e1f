#include "firmware/ProgressWrite.h"

namespace bf {

bool WriteShowingProgress(Host& host, AtomicFileWriter& file, const std::uint8_t* bytes, std::size_t size) {
    std::size_t written = 0;
    for (std::uint64_t percent = 1; percent < 100;) {
        // The first byte whose share reaches `percent`, and that byte's share: more than `percent`
        // when a file of fewer than 100 bytes skips some.
        const std::size_t first = (percent * size + 99) / 100;
        if (first >= size)
            break;
        if (!file.Write(bytes + written, first - written))
            return false;
        written = first;
        const std::uint64_t share = std::uint64_t{first} * 100 / size;
        host.UpdateProgress(static_cast<int>(share), 0);
        percent = share + 1;
    }
    return file.Write(bytes + written, size - written);
}

} // namespace bf
