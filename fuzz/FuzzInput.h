#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bf::fuzz {

// Reads a fuzz input front to back. Past its end every read gives zeros, so any input, the empty
// one included, is a complete script.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint16_t Word() {
        const auto high = static_cast<std::uint16_t>(Byte() << 8);
        return static_cast<std::uint16_t>(high | Byte());
    }
    // Up to `count` bytes: fewer when the input ends first.
    std::vector<std::uint8_t> Bytes(std::size_t count) {
        const std::size_t take = std::min(count, Left());
        std::vector<std::uint8_t> bytes(m_data + m_pos, m_data + m_pos + take);
        m_pos += take;
        return bytes;
    }
    std::size_t Left() const { return m_size - m_pos; }
    bool AtEnd() const { return m_pos == m_size; }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace bf::fuzz
