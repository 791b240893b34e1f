// libFuzzer target: the parameter backup against a controller whose every reply comes from the
// fuzz input, into a file that exists beforehand when the setup says so. The setup's extra byte,
// when not 0, is the capture's limit in bytes.
//
// Bound: the optional port search (28 probe waits of 2000 ms), four escape-pair waits of 10000 ms,
// and a capture that ends after 2000 ms without a byte, each byte of the script restarting that
// and costing one pump step; each wait with the pump step that notices its time-out, and one
// progress phase.
// The capture rules, read off the wire: after FF 24 the program reads until the pair FF 23 (or
// until 10000 ms have passed); from there every byte but FF is stored, until FF 04 (the end of
// the text, success), until the limit is reached (failure 2) or until the bytes stop (failure 1).
// Checks: the result is the one the captured bytes give; the file then holds exactly the stored
// bytes (an existing file is kept when nothing was stored). A run without a capture, or whose
// port failed, leaves the file as it was.
#include "fuzz/OperationRun.h"
#include "fuzz/Violation.h"
#include "params/ParameterBackup.h"
#include "params/ParameterCapture.h"

#include <filesystem>

namespace {

using namespace bf;
using namespace bf::fuzz;
using Bytes = std::vector<std::uint8_t>;
using End = CommandResult::End;

struct Capture {
    Bytes stored;
    CommandResult result;
};

// The capture as the rules take it from the bytes read after FF 24 was sent.
Capture CaptureOf(const Exchange& request, std::size_t cap) {
    struct Taken {
        std::uint8_t byte;
        std::uint32_t atMs;
    };
    std::vector<Taken> taken;
    for (const ReadGroup& g : request.groups)
        for (std::uint8_t b : g.bytes)
            taken.push_back({b, g.readMs});
    // The wait for FF 23 reads byte by byte for 10000 ms; the capture starts after the pair, or
    // with the first byte read after the wait gave up.
    std::size_t start = 0;
    std::uint8_t previous = 0x00;
    while (start < taken.size() && taken[start].atMs - request.sentMs <= protocol_ms::kPair) {
        const bool pair = previous == 0xFF && taken[start].byte == 0x23;
        previous = taken[start++].byte;
        if (pair)
            break;
    }
    Capture c{{}, CommandResult::Failed(1)};
    previous = 0x00;
    for (std::size_t i = start; i < taken.size(); ++i) {
        const std::uint8_t b = taken[i].byte;
        if (b == 0x04 && previous == 0xFF)
            c.result = CommandResult::Done();
        else if (b != 0xFF && c.stored.size() >= cap)
            c.result = CommandResult::Failed(2);
        else if (b != 0xFF)
            c.stored.push_back(b);
        if (c.result.end == End::Done || c.result.code == 2) {
            Require(i + 1 == taken.size(), "bytes were read after the capture had ended");
            break;
        }
        previous = b;
    }
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace protocol_ms;
    OperationRun run(data, size);
    const auto scriptBytes = static_cast<std::uint32_t>(run.ScriptBytes());
    run.Limit((run.setup.autoPort ? kSearchMs : 0) + 4 * WaitMs(kPair) +
              (scriptBytes + 1) * (WaitMs(kCaptureSilence) + 1) + kProgressPhaseMs);
    const std::string path = ScratchFolder() + "/params.txt";
    std::filesystem::remove(path);
    if (run.setup.existingOutput)
        WriteFile(path, run.setup.file);
    const auto before = FileContent(path);
    run.host.fileAnswer = path;
    const std::size_t cap = run.setup.extra != 0 ? run.setup.extra : ParameterCapture::kDefaultCap;

    const CommandResult r = ParameterBackup(run.session, {.captureCap = cap});
    run.CheckEnd(r, {End::Done}, {1, 2, 9});
    const auto sessions = run.Sessions();
    const std::size_t searched = run.CheckSearch(sessions, Probe::Escape, run.setup.autoPort);

    const Exchange* request = nullptr;
    for (std::size_t i = searched; i < sessions.size(); ++i)
        for (const Exchange& e : sessions[i].exchanges)
            if (Sent(e, {0xFF, 0x24}))
                request = &e;
    const bool portFailed = sessions.size() > searched && sessions.back().failed;
    if (!request || portFailed || r.code == 9) {
        Require(!(request && portFailed) || r.code == 9, "a port failure not reported as one");
        Require(FileContent(path) == before, "a backup without a capture changed the file");
        return 0;
    }
    const Capture c = CaptureOf(*request, cap);
    Require(r.end == c.result.end && r.code == c.result.code, "the result is not the one the capture gives");
    const Bytes expected = c.stored.empty() && before ? *before : c.stored;
    Require(FileContent(path) == expected, "the file does not hold what the capture rules take");
    return 0;
}
