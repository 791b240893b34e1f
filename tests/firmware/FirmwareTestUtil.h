#pragma once

#include "tests/support/TempDir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace bf::test {

// An S3 record line for `data` at `address`, upper-case hex, with a correct checksum unless
// `checksumDelta` spoils it.
inline std::string S3(std::uint32_t address, const std::vector<std::uint8_t>& data, int checksumDelta = 0) {
    const auto count = static_cast<std::uint8_t>(data.size() + 5);
    std::vector<std::uint8_t> bytes{
        count, static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
        static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    std::uint8_t sum = 0;
    for (auto b : bytes)
        sum = static_cast<std::uint8_t>(sum + b);
    bytes.push_back(static_cast<std::uint8_t>(~sum + checksumDelta));
    std::string line = "S3";
    char hex[3];
    for (auto b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return line;
}

inline std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t value) {
    return std::vector<std::uint8_t>(n, value);
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace bf::test
