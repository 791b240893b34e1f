#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace bf {

// Bytes read in order from a file or from memory, for the loaders that read a whole file once.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `buffer` and returns how many came: 0 at the end, or after a
    // failure, which Error() then names.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // The errno value of a failed read; 0 while every read succeeded.
    virtual int Error() const = 0;
};

// The bytes of a buffer, for tests and fuzzing. `failWith` makes the read after the last byte fail
// with that errno value instead of ending.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes, int failWith = 0) : m_rest(bytes), m_failWith(failWith) {}

    std::size_t Read(void* buffer, std::size_t size) override {
        if (m_rest.empty()) {
            if (size > 0)
                m_error = m_failWith;
            return 0;
        }
        const std::size_t n = std::min(size, m_rest.size());
        std::memcpy(buffer, m_rest.data(), n);
        m_rest.remove_prefix(n);
        return n;
    }
    int Error() const override { return m_error; }

  private:
    std::string_view m_rest;
    int m_failWith;
    int m_error = 0;
};

} // namespace bf
