#pragma once

#include "core/PortSettings.h"
#include "fuzz/FuzzHost.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/HostilePort.h"
#include "fuzz/SessionScript.h"
#include "fuzz/WireLog.h"
#include "link/CommandResult.h"
#include "link/Session.h"
#include "tests/support/VirtualClock.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace bf::fuzz {

// The time-outs and pauses of the controller's protocol, in milliseconds, as the protocol states
// them (not taken from the code under test), for the time bounds of the targets.
namespace protocol_ms {
constexpr std::uint32_t kHandshake = 5000;
constexpr std::uint32_t kReply = 2000; // rate switch, probe, erase, write frame, read packet
constexpr std::uint32_t kResync = 500;
constexpr std::uint32_t kResyncWaits = 11;
constexpr std::uint32_t kResendLimit = 30;
constexpr std::uint32_t kVerify = 3000;
constexpr std::uint32_t kPair = 10000;
constexpr std::uint32_t kCaptureSilence = 2000;
constexpr std::uint32_t kAfterBaudSwitch = 500;
constexpr std::uint32_t kAfterErase = 500;
constexpr std::uint32_t kPorts = 28;
} // namespace protocol_ms

// The longest a wait with this time-out lasts: the time-out, then the pump step that notices it.
constexpr std::uint32_t WaitMs(std::uint32_t timeoutMs) {
    return timeoutMs + 1;
}
// The port search: one probe wait per port.
constexpr std::uint32_t kSearchMs = protocol_ms::kPorts * WaitMs(protocol_ms::kReply);
// Each shown percentage handles one event (1 ms): at most 101 per progress phase.
constexpr std::uint32_t kProgressPhaseMs = 101;

// The probes of the two port searches.
enum class Probe { Connect, Escape };

// One operation against a scripted controller: the setup and the replies come from the fuzz
// input; the window is a FuzzHost, the port a HostilePort, both on one virtual clock.
class OperationRun {
  public:
    OperationRun(const std::uint8_t* data, std::size_t size);
    // With BF_FUZZ_TRACE set in the environment, the wire and the log of the run are printed at
    // its end or when a rule is broken: how a finding is read (build/fuzz/fuzz-replay-<t> <input>).
    ~OperationRun();
    void PrintTrace() const;

    // The run may take `boundMs` of virtual time, and a bounded number of port calls per
    // millisecond and per script byte (every pass of a wait moves the clock or takes a byte).
    void Limit(std::uint32_t boundMs);
    // Bytes of the input left for the replies: no run can be handed more.
    std::size_t ScriptBytes() const { return m_scriptBytes; }
    std::vector<LineSession> Sessions() const { return SessionsOf(port.Events()); }

    // The checks every operation shares: the result is one it documents; the closing request
    // is the only way to an abort; otherwise the port is closed and the toolbar back on.
    void CheckEnd(const CommandResult& r, std::initializer_list<CommandResult::End> ends,
                  std::initializer_list<std::uint8_t> failureCodes) const;
    // When the port search ran: the port it settled on is the first that answered its probe as
    // the protocol requires (0 when none did). Returns the number of open attempts it made.
    std::size_t CheckSearch(const std::vector<LineSession>& sessions, Probe probe, bool ran) const;
    // A connect-mode command's opening, from the session at `from` on: the handshake answered 01
    // on the chosen port at 9600 bit/s, then, with `switchRate`, the rate command confirmed by its
    // one byte and the port opened again at the rate. The walk goes on from the next command.
    ExchangeWalk CheckConnection(const std::vector<LineSession>& sessions, std::size_t from,
                                 bool switchRate) const;

    test::VirtualClock clock;

  private:
    FuzzInput m_input;

  public:
    const SessionSetup setup;

  private:
    class ScriptReplies final : public ReplySource {
      public:
        explicit ScriptReplies(FuzzInput& in) : m_in(in) {}
        Reply NextReply(int, const std::vector<std::uint8_t>&) override { return ReadReply(m_in); }

      private:
        FuzzInput& m_in;
    };
    ScriptReplies m_replies{m_input};
    std::size_t m_scriptBytes;

  public:
    HostilePort port;
    FuzzHost host{clock};
    PortSettings settings;
    Session session{host, clock, port, settings};
};

// A folder of this process for the files the operations read and write.
const std::string& ScratchFolder();
// The whole content of a file, or nullopt when it is not there.
std::optional<std::vector<std::uint8_t>> FileContent(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace bf::fuzz
