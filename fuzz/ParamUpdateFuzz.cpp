// libFuzzer target: the parameter update of a file from the fuzz input (missing when the setup
// says no file exists) against ports whose opening and replies come from the fuzz input.
//
// Bound: the optional port search (28 probe waits of 2000 ms), the fixed waits (2000, 1000, 1000
// and 1000 ms), the pacing of each parameter line (9600000 / rate ms), a pump step per piece of
// the file in each of its two readings, and one progress phase.
// Checks: exactly FF 01, FF 21, FF 23 "time=<number>\r", FF 23 and each piece of four bytes or
// more (the file cut after each line feed and every 255 bytes), FF 04, FF 20 went out on the
// chosen port at 9600 bit/s, and the log shows each line sent (a final line feed as a blank); a run
// whose port failed sent a beginning of that and nothing else.
#include "fuzz/OperationRun.h"
#include "fuzz/ParameterPieces.h"
#include "fuzz/Violation.h"
#include "params/ParameterUpdate.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

using namespace bf;
using namespace bf::fuzz;
using Bytes = std::vector<std::uint8_t>;

// The file's parameter lines.
std::vector<Bytes> ParameterLines(const std::optional<Bytes>& file) {
    std::vector<Bytes> lines;
    for (Bytes& piece : ParameterPieces(file.value_or(Bytes{})))
        if (piece.size() >= kMinParameterLine)
            lines.push_back(std::move(piece));
    return lines;
}

// The log line of a parameter line: up to a NUL, as text formatting takes it, and a line feed
// at its very end shown as a blank.
std::string LogLine(const Bytes& line) {
    std::string text(line.begin(), std::find(line.begin(), line.end(), 0));
    if (!text.empty() && text.back() == '\n')
        text.back() = ' ';
    return "PARAMETER --> " + text;
}

// What the update sends, with the clock text as it was sent (checked on its own).
Bytes ExpectedWire(const std::vector<Bytes>& lines, const Bytes& clockText) {
    Bytes wire{0xFF, 0x01, 0xFF, 0x21, 0xFF, 0x23};
    wire.insert(wire.end(), clockText.begin(), clockText.end());
    for (const Bytes& line : lines) {
        wire.push_back(0xFF);
        wire.push_back(0x23);
        wire.insert(wire.end(), line.begin(), line.end());
    }
    wire.insert(wire.end(), {0xFF, 0x04, 0xFF, 0x20});
    return wire;
}

// "time=" with an optional minus sign, one or more digits and a carriage return, at `at` in the
// wire; empty when what stands there is not such a text.
Bytes ClockTextAt(const Bytes& wire, std::size_t at) {
    const std::string prefix = "time=";
    if (wire.size() < at + prefix.size() || !std::equal(prefix.begin(), prefix.end(), wire.begin() + at))
        return {};
    std::size_t end = at + prefix.size();
    if (end < wire.size() && wire[end] == '-')
        ++end;
    const std::size_t digits = end;
    while (end < wire.size() && wire[end] >= '0' && wire[end] <= '9')
        ++end;
    if (end == digits || end >= wire.size() || wire[end] != '\r')
        return {};
    return Bytes(wire.begin() + at, wire.begin() + end + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace protocol_ms;
    OperationRun run(data, size);
    const std::string path = ScratchFolder() + "/send.txt";
    std::filesystem::remove(path);
    if (run.setup.existingOutput)
        WriteFile(path, run.setup.file);
    const auto file = FileContent(path);
    const auto lines = ParameterLines(file);
    const auto pieces = static_cast<std::uint32_t>(file ? file->size() + 1 : 0);
    run.Limit((run.setup.autoPort ? kSearchMs : 0) + 2000 + 3 * 1000 +
              static_cast<std::uint32_t>(lines.size()) *
                  (9600000 / static_cast<std::uint32_t>(run.setup.baud)) +
              2 * pieces + kProgressPhaseMs);
    run.host.fileAnswer = path;

    const CommandResult r = ParameterUpdate(run.session);
    using End = CommandResult::End;
    run.CheckEnd(r, {End::Done}, {1, 9});
    const auto sessions = run.Sessions();
    const std::size_t searched = run.CheckSearch(sessions, Probe::Escape, run.setup.autoPort);
    if (sessions.size() == searched)
        return 0; // never opened its port
    Require(sessions.size() == searched + 1, "the update opened its port more than once");
    const LineSession& s = sessions.back();
    Require(s.port == run.settings.m_nPort && s.baud == 9600,
            "the update did not use the chosen port at 9600 bit/s");
    Bytes wire;
    for (const Exchange& e : s.exchanges)
        wire.insert(wire.end(), e.sent.begin(), e.sent.end());
    const Bytes expected = ExpectedWire(lines, ClockTextAt(wire, 6));
    if (r.end == End::Done) {
        Require(wire == expected,
                "the update did not send exactly the file's parameter lines in their frame");
        std::vector<std::string> logged;
        for (const std::string& line : run.host.log)
            if (line.rfind("PARAMETER --> ", 0) == 0)
                logged.push_back(line);
        std::vector<std::string> expectedLog;
        for (const Bytes& line : lines)
            expectedLog.push_back(LogLine(line));
        Require(logged == expectedLog,
                "the log does not show each line sent, its final line feed as a blank");
    } else
        Require(wire.size() <= expected.size() && std::equal(wire.begin(), wire.end(), expected.begin()),
                "a failed update sent something else than a beginning of the update");
    return 0;
}
