// libFuzzer target: File > Reset against a controller whose every reply comes from the fuzz input.
//
// Bound: the optional port search (28 probe waits of 2000 ms, each with the pump step that
// notices its time-out); the restart itself awaits nothing.
// Success means: the port search (if on) settled on the first port that answered F1 with 01, and
// the restart command F8 alone went out on the chosen port at 9600 bit/s, which was then closed.
#include "fuzz/OperationRun.h"
#include "fuzz/Violation.h"
#include "link/PortSearch.h"

namespace {

using namespace bf;
using namespace bf::fuzz;

void CheckRestarted(const OperationRun& run, const std::vector<LineSession>& sessions, std::size_t from) {
    Require(sessions.size() == from + 1, "the restart did not open its port once");
    const LineSession& s = sessions[from];
    Require(s.port == run.settings.m_nPort && s.baud == 9600 && s.closed,
            "the restart did not use the chosen port at 9600 bit/s");
    Require(s.exchanges.size() == 1 && Sent(s.exchanges[0], {0xF8}), "the restart sent more than F8");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    OperationRun run(data, size);
    run.Limit((run.setup.autoPort ? kSearchMs : 0) + 1);
    const CommandResult r = ResetController(run.session);
    using End = CommandResult::End;
    run.CheckEnd(r, {End::Done}, {1, 9});
    const auto sessions = run.Sessions();
    const std::size_t searched = run.CheckSearch(sessions, Probe::Connect, run.setup.autoPort);
    if (r.end == End::Done)
        CheckRestarted(run, sessions, searched);
    return 0;
}
