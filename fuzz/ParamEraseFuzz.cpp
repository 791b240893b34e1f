// libFuzzer target: the parameter block erase against a controller whose every reply comes from
// the fuzz input.
//
// Bound: the optional port search (28 probe waits of 2000 ms), the handshake (5000 ms) and three
// erase answers (2000 ms each), each wait with the pump step that notices its time-out, and one
// progress phase.
// Success means: the port search (if on) settled on the first port that answered F1 with 01; the
// handshake was answered 01; each of F2 01, F2 02 and F2 03 got exactly one byte, sent after the
// command and within 2000 ms; nothing else was sent.
#include "fuzz/OperationRun.h"
#include "fuzz/Violation.h"
#include "params/ParameterErase.h"

namespace {

using namespace bf;
using namespace bf::fuzz;

void CheckErased(const OperationRun& run, const std::vector<LineSession>& sessions, std::size_t from) {
    ExchangeWalk walk = run.CheckConnection(sessions, from, false);
    for (std::uint8_t block = 1; block <= 3; ++block) {
        const Exchange& erase = walk.Next("erased without erasing all three blocks");
        Require(Sent(erase, {0xF2, block}), "the erase commands are not F2 01, F2 02, F2 03");
        Require(erase.Got().size() == 1 && erase.groups.size() == 1 && erase.groups[0].polled == 1 &&
                    erase.Answered(1, protocol_ms::kReply),
                "a block counted as erased without its one-byte answer");
    }
    Require(walk.AtEnd(), "more commands after the last erase");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    OperationRun run(data, size);
    run.Limit((run.setup.autoPort ? kSearchMs : 0) + WaitMs(protocol_ms::kHandshake) +
              3 * WaitMs(protocol_ms::kReply) + kProgressPhaseMs);
    const CommandResult r = EraseParameterBlocks(run.session);
    using End = CommandResult::End;
    run.CheckEnd(r, {End::Done, End::Aborted}, {1, 2, 3, 9});
    const auto sessions = run.Sessions();
    const std::size_t searched = run.CheckSearch(sessions, Probe::Connect, run.setup.autoPort);
    if (r.end == End::Done)
        CheckErased(run, sessions, searched);
    return 0;
}
