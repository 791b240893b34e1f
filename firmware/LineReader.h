#pragma once

#include "core/ByteSource.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace bf {

// Reads a byte source line by line through a fixed buffer. A line ends at a carriage return, a
// line feed, or a pair of both in either order (CR LF, LF CR), so files from any system split
// alike; the line is given without its end. A UTF-8 byte-order mark at the start of the file is
// skipped. Lines of any length take bounded memory: a line longer than the buffer keeps only its
// first kKeep characters, while its full length is still reported.
class LineReader {
  public:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    static constexpr std::size_t kKeep = 1024;

    struct Line {
        std::string_view text;      // the line, or at least its first kKeep characters
        std::uint64_t length = 0;   // the whole line's length, line end excluded
        std::uint64_t consumed = 0; // bytes of the file taken by the line and its end
    };

    explicit LineReader(ByteSource& source) : m_source(source) {}

    // The next line, valid until the next call; false at the end of the file or on a read error.
    bool Next(Line& line);
    // errno of a failed read, 0 when the file was read to its end.
    int Error() const { return m_source.Error(); }
    // Every byte read from the file so far.
    std::uint64_t BytesRead() const { return m_bytesRead; }

  private:
    bool Fill();
    void Carry(const char* data, std::size_t size);
    // Steps over `bytes` when the buffer goes on with them; returns how many bytes it stepped over.
    std::size_t TakeIfNext(std::string_view bytes);

    ByteSource& m_source;
    std::uint64_t m_bytesRead = 0;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::size_t m_carried = 0;
    bool m_atFileStart = true; // where a byte-order mark may stand
    std::array<char, kBufferSize> m_buffer{};
    std::array<char, kKeep> m_carry{};
};

} // namespace bf
