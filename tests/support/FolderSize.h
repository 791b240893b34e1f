#pragma once

#include <cstdint>
#include <filesystem>

namespace bf::test {

// The bytes in the regular files of a folder, e.g. of a file being written under a temporary name.
inline std::uintmax_t BytesInFolder(const std::filesystem::path& folder) {
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file())
            total += entry.file_size();
    return total;
}

} // namespace bf::test
