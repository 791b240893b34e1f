#pragma once

#include "link/Session.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bf {

// Receives the controller's parameter printout, the text between FF 23 and FF 04, byte for byte.
// An FF is never stored; FF 04 ends the text; every carriage return counts one parameter and moves
// the progress display. The capture also ends after 2000 ms without a byte, or when the buffer
// reaches its sanity cap (far beyond any real printout).
class ParameterCapture {
  public:
    static constexpr std::size_t kDefaultCap = 16u << 20;
    static constexpr std::uint32_t kSilenceMs = 2000;
    // A printout of this many lines is taken as complete (100 %).
    static constexpr long long kExpectedLines = 300;

    enum class End { TextEnd, Silence, Full };

    explicit ParameterCapture(Session& s, std::size_t cap = kDefaultCap);

    End Run();

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    long long ParameterCount() const { return m_count; }

    // The percentage shown when line `k` (1-based) has arrived: (100 * (k - 1)) / 300, held at
    // 100 from the 301st line on, so long printouts never show more than 100 %.
    static int ProgressForLine(long long k);

  private:
    enum class Step { Continue, TextEnd, Full };
    Step Handle(std::uint8_t b);
    // Sleeps in the port until a byte waits or the silence limit passes; false when it passed.
    bool AwaitByte(std::uint32_t lastByteMs);

    Session& m_s;
    std::size_t m_cap;
    std::vector<std::uint8_t> m_bytes;
    long long m_count = 0;
    std::uint8_t m_previous = 0; // none yet: 0 is not FF, so a first 04 is stored
};

} // namespace bf
