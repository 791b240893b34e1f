#include "params/ParameterErase.h"

#include "link/ControllerConnection.h"
#include "link/ResultCodes.h"

#include <cstdint>

namespace bf {

namespace {

constexpr char kLogErasing[] = "ERASE PARAMETER BLOCKS";
constexpr char kLogErased[] = "PARAMETER BLOCKS ERASED";
// Sectors 1, 2 and 3 hold the setup parameters.
constexpr std::uint8_t kFirstParameterBlock = 1;
constexpr std::uint8_t kLastParameterBlock = 3;

StepResult EraseBlocks(Session& s) {
    if (const std::uint8_t code = ConnectController(s, false); code != result::Ok)
        return StepResult::Failure(code);
    s.host.AppendLog(kLogErasing);
    s.host.UpdateProgress(0, 1);
    for (std::uint8_t block = kFirstParameterBlock; block <= kLastParameterBlock; ++block) {
        if (const StepResult r = EraseSector(s, block); !r.Succeeded())
            return r;
        ShowProgress(s.host, block, kLastParameterBlock);
    }
    return StepResult::Success();
}

} // namespace

// Stays at 9600 bit/s and leaves the toolbar alone, unlike the update and the backup.
CommandResult EraseParameterBlocks(Session& s) {
    s.host.ClearLog();
    s.host.ClearCloseRequest();
    try {
        const StepResult r = EraseBlocks(s);
        if (r.aborted)
            return CommandResult::Of(CommandResult::End::Aborted);
        if (r.code != result::Ok) {
            FailureExit(s, r.code, kEraseProfile);
            return CommandResult::Failed(r.code);
        }
        s.host.AppendLog(kLogErased);
        ClosePortAndLog(s);
        s.host.UpdateProgress(0, 1);
        return CommandResult::Done();
    } catch (const CSerialException& error) {
        PortFailureExit(s, error, kEraseProfile);
        return CommandResult::Failed(result::PortFailure);
    }
}

} // namespace bf
