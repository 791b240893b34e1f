#include "link/ControllerConnection.h"
#include "link/Link.h"
#include "tests/support/RecordingHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <tuple>
#include <vector>

namespace bf::test {
namespace {

// A port that reports a number of waiting bytes other than it holds, as a device may between the
// status query and the read, and delivers them in pieces of 10 as a tty may. Reading a reply must
// take what comes, not wait for more, and leave bytes beyond the reported count queued.
class ShortDeliveryPort final : public Port {
  public:
    ShortDeliveryPort(std::size_t real, std::uint32_t reported) : m_reported(reported) {
        for (std::size_t i = 0; i < real; ++i)
            m_input.push_back(static_cast<std::uint8_t>(0x30 + i));
    }
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = std::min({count, m_input.size(), kPiece});
        std::copy_n(m_input.begin(), n, static_cast<std::uint8_t*>(buffer));
        m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    std::uint32_t BytesAvailable() override { return m_reported; }
    std::size_t Left() const { return m_input.size(); }

    void Open(int, std::uint32_t, SerialParity, std::uint8_t, SerialStopBits, SerialFlowControl) override {}
    void Close() override {}
    bool IsOpen() const override { return true; }
    std::size_t Write(const void*, std::size_t count) override { return count; }
    void Flush() override {}
    void Drain() override {}
    void SetNonBlockingReads() override {}
    void SetWriteTimeout() override {}
    void AbortPendingReads() override {}
    void DiscardInput() override {}
    void WaitForInput(std::uint32_t, std::uint32_t) override {}

  private:
    static constexpr std::size_t kPiece = 10;
    std::deque<std::uint8_t> m_input;
    std::uint32_t m_reported;
};

TEST(ShortReadTest, AReplyReadTakesTheReportedCountOrWhatArrives) {
    struct Case {
        std::size_t real;
        std::uint32_t reported;
        std::size_t kept; // with a 64-byte buffer
        std::size_t left;
    };
    for (const Case& c : {Case{6, 10, 6, 0}, Case{70, 100, 64, 0}, Case{0, 5, 0, 0}, Case{65, 65, 64, 0},
                          Case{200, 200, 64, 0}, Case{100, 70, 64, 30}}) {
        SCOPED_TRACE(c.real);
        ShortDeliveryPort port(c.real, c.reported);
        std::vector<std::uint8_t> buffer(64, 0xEE);
        EXPECT_EQ(ReadReply(port, c.reported, buffer.data(), buffer.size()), c.kept);
        EXPECT_EQ(port.Left(), c.left);
        for (std::size_t i = 0; i < c.kept; ++i)
            ASSERT_EQ(buffer[i], 0x30 + i) << i;
    }
}

TEST(ShortReadTest, ReadingAllWaitingBytesTakesTheCountOrStopsWhenThePortRunsDry) {
    VirtualClock clock;
    RecordingHost host{clock};
    PortSettings settings;
    // The first byte comes back; 0 when the port delivers none of what it reported.
    for (const auto& [real, reported, left] :
         {std::tuple{1u, 300u, 0u}, {70u, 300u, 0u}, {200u, 300u, 0u}, {100u, 70u, 30u}, {0u, 5u, 0u}}) {
        ShortDeliveryPort port(real, reported);
        Session session{host, clock, port, settings};
        EXPECT_EQ(ReadAllWaiting(session, reported), real > 0 ? 0x30 : 0) << real;
        EXPECT_EQ(port.Left(), left) << real;
    }
}

} // namespace
} // namespace bf::test
