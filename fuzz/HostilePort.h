#pragma once

#include "core/Clock.h"
#include "fuzz/SessionScript.h"
#include "serial/Port.h"

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

namespace bf::fuzz {

// Where the replies come from: the fuzz input, or (for the seed sessions) the controller model.
class ReplySource {
  public:
    virtual ~ReplySource() = default;
    // The reply to an Open of `port` (no bytes written) or to the bytes just written on it.
    virtual Reply NextReply(int port, const std::vector<std::uint8_t>& written) = 0;
};

// One thing that happened on the line, as the program saw it.
struct WireEvent {
    enum class Kind { Open, OpenFailed, Close, Write, Read, Discard, Failure };
    Kind kind;
    std::uint32_t atMs = 0;
    int port = 0;
    std::uint32_t baud = 0;              // Open
    std::uint32_t code = 0;              // OpenFailed, Failure: the error code thrown
    std::vector<std::uint8_t> bytes;     // Write, Read, Discard
    std::vector<std::uint32_t> arrivals; // Read: when each byte had arrived
    std::uint32_t polled = 0;            // Read: what the last BytesAvailable reported
    std::uint64_t poll = 0;              // Read: how many BytesAvailable calls came before it
};

// Stops a run that goes on too long: more virtual time than its operation's time-outs allow, or
// more port calls than that time and the script's bytes can explain (a loop that spins without
// the clock or the line moving).
struct RunLimits {
    std::uint32_t maxElapsedMs = 0;
    std::uint64_t maxCalls = 0;
};

// A Port on the virtual clock whose replies, their lengths and the moment each chunk arrives come
// from a ReplySource; it can fail at a chosen call as a pulled adapter does, and refuse to open
// chosen ports. It records everything the program did on the line.
class HostilePort final : public Port {
  public:
    HostilePort(Clock& clock, ReplySource& replies, const SessionSetup& setup);

    void SetLimits(const RunLimits& limits);
    // Checks the time limit; for steps that happen outside the port (window pump steps).
    void CheckTime() const;

    void Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
              SerialStopBits stopBits, SerialFlowControl flow) override;
    void Close() override;
    bool IsOpen() const override { return m_port != 0; }
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    void Flush() override;
    void Drain() override;
    std::uint32_t BytesAvailable() override;
    void SetNonBlockingReads() override;
    void SetWriteTimeout() override;
    void AbortPendingReads() override;
    void DiscardInput() override;
    void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting = 0) override;

    const std::vector<WireEvent>& Events() const { return m_events; }
    // The port number that is open, 0 when none.
    int OpenPort() const { return m_port; }

  private:
    struct Byte {
        std::uint32_t dueMs;
        std::uint8_t value;
    };

    std::uint32_t Trouble(PortCall call);
    void Enter(PortCall call);
    bool IsDead(int port) const;
    void Schedule(const Reply& reply);
    void Deliver();
    std::uint32_t ElapsedMs() const;

    Clock& m_clock;
    ReplySource& m_replies;
    const SessionSetup& m_setup;
    RunLimits m_limits;
    std::uint32_t m_startMs;
    std::uint64_t m_calls = 0;
    std::array<std::uint32_t, static_cast<std::size_t>(PortCall::Count)> m_callCounts{};
    std::vector<int> m_deadPorts; // ports whose device has gone
    int m_port = 0;
    std::uint32_t m_baud = 0;
    std::deque<Byte> m_pending; // on their way, by due time
    std::deque<Byte> m_input;   // arrived, not yet read
    std::uint32_t m_lastPolled = 0;
    std::uint64_t m_polls = 0;
    std::vector<WireEvent> m_events;
};

} // namespace bf::fuzz
