// libFuzzer target: the port search, with the connect-mode probe or (the setup's extra byte odd)
// the escape-pair probe, against ports whose opening and replies come from the fuzz input.
//
// Bound: 28 probe waits of 2000 ms, each with the pump step that notices its time-out.
// Checks: COM1 to COM28 are tried in order, each probed port is closed again, and the port the
// search names (or none) is the first whose probe was answered as the protocol requires: F1 with
// 01, or FF 01 with FF and the 02 already there when the FF is read; within 2000 ms of the probe.
#include "fuzz/OperationRun.h"
#include "fuzz/Violation.h"
#include "link/PortSearch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace bf;
    using namespace bf::fuzz;
    OperationRun run(data, size);
    run.Limit(kSearchMs + 1);
    const Probe probe = run.setup.extra % 2 == 0 ? Probe::Connect : Probe::Escape;
    if (probe == Probe::Connect)
        AutodetectPort(run.session);
    else
        AutodetectPortParam(run.session);
    Require(run.port.OpenPort() == 0, "the search left a port open");
    const auto sessions = run.Sessions();
    Require(run.CheckSearch(sessions, probe, true) == sessions.size(), "the search opened a port twice");
    return 0;
}
