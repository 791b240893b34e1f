#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace bf {

// Reads a file descriptor line by line through a fixed buffer. A line is given without its
// terminator (a line feed, or a carriage return and line feed). Lines of any length take bounded
// memory: a line longer than the buffer keeps only its first kKeep characters, while its full
// length is still reported.
class LineReader {
  public:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    static constexpr std::size_t kKeep = 1024;

    struct Line {
        std::string_view text;      // the line, or at least its first kKeep characters
        std::uint64_t length = 0;   // the whole line's length, terminator excluded
        std::uint64_t consumed = 0; // bytes of the file taken by the line and its terminator
    };

    explicit LineReader(int fd) : m_fd(fd) {}

    // The next line, valid until the next call; false at the end of the file or on a read error.
    bool Next(Line& line);
    // errno of a failed read, 0 when the file was read to its end.
    int Error() const { return m_error; }

  private:
    bool Fill();
    void Carry(const char* data, std::size_t size);

    int m_fd;
    int m_error = 0;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::size_t m_carried = 0;
    std::array<char, kBufferSize> m_buffer{};
    std::array<char, kKeep> m_carry{};
};

} // namespace bf
