#include "fuzz/OperationRun.h"

#include "fuzz/Violation.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace bf::fuzz {

namespace {

// Port calls a run may make per millisecond of virtual time and per byte of its script: a wait
// polls, sleeps and pumps (1 ms) each pass, and every byte is read once.
constexpr std::uint64_t kCallsPerMs = 8;
constexpr std::uint64_t kCallsPerByte = 8;
constexpr std::uint64_t kCallsBase = 1000;

constexpr std::uint8_t kHandshakeProbe = 0xF1;
constexpr std::uint8_t kHandshakeAnswer = 0x01;
constexpr std::uint8_t kEscape = 0xFF;
constexpr std::uint8_t kEscapeHello = 0x01;
constexpr std::uint8_t kEscapeAck = 0x02;

std::uint8_t RateCommand(int rate) {
    switch (rate) {
    case 19200:
        return 0xFA;
    case 38400:
        return 0xFB;
    case 57600:
        return 0xFD;
    default:
        return 0xF9;
    }
}

// The probe of one search attempt was answered as the protocol requires: the connect probe's
// first byte back is 01; the escape probe's is FF, with 02 already there when the FF is read. A
// port that failed meanwhile, even while the answer was read, did not answer.
bool ProbeAnswered(const LineSession& attempt, Probe probe) {
    if (!attempt.opened || attempt.failed || attempt.exchanges.empty())
        return false;
    const Exchange& e = attempt.exchanges.front();
    const std::vector<std::uint8_t> got = e.Got();
    if (probe == Probe::Connect)
        return Sent(e, {kHandshakeProbe}) && !got.empty() && got[0] == kHandshakeAnswer &&
               e.Answered(1, protocol_ms::kReply);
    if (!Sent(e, {kEscape, kEscapeHello}) || got.size() < 2 || got[0] != kEscape || got[1] != kEscapeAck ||
        !e.Answered(1, protocol_ms::kReply))
        return false;
    std::vector<std::uint32_t> arrivals;
    for (const ReadGroup& g : e.groups)
        arrivals.insert(arrivals.end(), g.arrivals.begin(), g.arrivals.end());
    return arrivals[1] <= e.groups.front().readMs;
}

} // namespace

OperationRun::OperationRun(const std::uint8_t* data, std::size_t size)
    : m_input(data, size), setup(ReadSetup(m_input)), m_scriptBytes(m_input.Left()),
      port(clock, m_replies, setup), settings{setup.port, setup.baud, setup.autoPort ? 1 : 0} {
    host.closeAtPump = setup.closeAtPump;
    host.onStep = [this] { port.CheckTime(); };
    if (std::getenv("BF_FUZZ_TRACE"))
        OnViolation([this] { PrintTrace(); });
}

OperationRun::~OperationRun() {
    if (std::getenv("BF_FUZZ_TRACE"))
        PrintTrace();
    OnViolation({});
}

void OperationRun::PrintTrace() const {
    static const char* const kKinds[] = {"open", "open failed", "close",  "write",
                                         "read", "discard",     "failure"};
    for (const WireEvent& e : port.Events()) {
        std::printf("%8u ms COM%d %-11s", e.atMs, e.port, kKinds[static_cast<int>(e.kind)]);
        if (e.baud != 0)
            std::printf(" %u bit/s", e.baud);
        if (e.code != 0)
            std::printf(" code %u", e.code);
        if (e.kind == WireEvent::Kind::Read)
            std::printf(" (%u waiting)", e.polled);
        for (std::size_t i = 0; i < e.bytes.size(); ++i) {
            std::printf(" %02X", e.bytes[i]);
            if (i < e.arrivals.size() && e.arrivals[i] != e.atMs)
                std::printf("@%u", e.arrivals[i]);
        }
        std::printf("\n");
    }
    for (const std::string& line : host.log)
        std::printf("log: %s\n", line.c_str());
    for (const std::string& box : host.boxes)
        std::printf("box: %s\n", box.c_str());
    std::fflush(stdout);
}

void OperationRun::Limit(std::uint32_t boundMs) {
    port.SetLimits({boundMs, kCallsPerMs * boundMs + kCallsPerByte * m_scriptBytes + kCallsBase});
}

void OperationRun::CheckEnd(const CommandResult& r, std::initializer_list<CommandResult::End> ends,
                            std::initializer_list<std::uint8_t> failureCodes) const {
    using End = CommandResult::End;
    if (r.end == End::Failed)
        Require(std::find(failureCodes.begin(), failureCodes.end(), r.code) != failureCodes.end(),
                "a failure code the operation does not document");
    else
        Require(std::find(ends.begin(), ends.end(), r.end) != ends.end(),
                "an end the operation does not document");
    if (r.end == End::Aborted) {
        Require(host.closeWasRequested, "an abort without a closing request");
        return;
    }
    Require(port.OpenPort() == 0, "the port is left open");
    Require(!host.toolbarOff, "the toolbar is left off");
}

std::size_t OperationRun::CheckSearch(const std::vector<LineSession>& sessions, Probe probe, bool ran) const {
    if (!ran)
        return 0;
    // The search opens COM1, COM2, ... once each and stops at the port that answered.
    const std::size_t attempts =
        settings.m_nPort != 0 ? static_cast<std::size_t>(settings.m_nPort) : protocol_ms::kPorts;
    Require(sessions.size() >= attempts, "the port search skipped a port");
    int firstAnswered = 0;
    for (std::size_t i = 0; i < attempts; ++i) {
        Require(sessions[i].port == static_cast<int>(i) + 1,
                "the port search did not go through COM1 to COM28 in order");
        Require(!sessions[i].opened || sessions[i].closed, "the port search left a probed port open");
        if (firstAnswered == 0 && ProbeAnswered(sessions[i], probe))
            firstAnswered = sessions[i].port;
    }
    Require(settings.m_nPort == firstAnswered,
            "the port search did not settle on the first port that answered its probe");
    return attempts;
}

ExchangeWalk OperationRun::CheckConnection(const std::vector<LineSession>& sessions, std::size_t from,
                                           bool switchRate) const {
    const std::size_t used = switchRate ? 2 : 1;
    Require(sessions.size() == from + used,
            "the command did not open its port once (and once more at the rate)");
    const LineSession& first = sessions[from];
    Require(first.port == settings.m_nPort && first.baud == 9600, "the command did not start at 9600 bit/s");
    ExchangeWalk walk(sessions, from);
    const Exchange& handshake = walk.Next("no handshake");
    const auto answer = handshake.Got();
    Require(Sent(handshake, {kHandshakeProbe}) && !answer.empty() && answer[0] == kHandshakeAnswer &&
                handshake.Answered(1, protocol_ms::kHandshake),
            "went on without the handshake answer 01");
    if (!switchRate)
        return walk;
    const Exchange& rate = walk.Next("no rate switch");
    const std::uint8_t command = RateCommand(settings.m_nBaudRate);
    Require(Sent(rate, {command}), "the rate command is not the one of the configured rate");
    Require(rate.Got() == std::vector<std::uint8_t>{static_cast<std::uint8_t>(command - 0xF0)} &&
                rate.groups.size() == 1 && rate.groups[0].polled == 1 &&
                rate.Answered(1, protocol_ms::kReply),
            "switched the rate without its one-byte confirmation");
    Require(first.exchanges.size() == 2 && first.closed, "commands at 9600 bit/s after the rate switch");
    const LineSession& second = sessions[from + 1];
    Require(second.port == settings.m_nPort &&
                second.baud == static_cast<std::uint32_t>(settings.m_nBaudRate),
            "the port was not opened again at the configured rate");
    return walk;
}

namespace {

// A folder of its own under the temporary folder, removed with everything in it when the process
// ends normally (a crash leaves it, with the files of the finding).
class Scratch {
  public:
    Scratch() {
        std::random_device random;
        do
            m_path = std::filesystem::temp_directory_path() / ("bf-fuzz-" + std::to_string(random()));
        while (!std::filesystem::create_directory(m_path));
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string Path() const { return m_path.string(); }

  private:
    std::filesystem::path m_path;
};

} // namespace

const std::string& ScratchFolder() {
    static const Scratch scratch;
    static const std::string path = scratch.Path();
    return path;
}

std::optional<std::vector<std::uint8_t>> FileContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Require(in.good() || bytes.empty(), "a scratch file could not be read");
    return bytes;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Require(out.good(), "the scratch file could not be written");
}

} // namespace bf::fuzz
