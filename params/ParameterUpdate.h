#pragma once

#include "link/CommandResult.h"
#include "link/Session.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace bf {

// File > Parameter > Update...: sets the controller's clock, then sends a parameter file line by line.
// Nothing is read from the controller, so a missing one is not noticed; the result fails only
// when there is no port (1) or the port fails (9).
CommandResult ParameterUpdate(Session& s);
// The same with the file at `path` as it is named: no dialog, no ".txt" added (the command line).
CommandResult ParameterUpdateOf(Session& s, const std::string& path);

// The controller clock value T for the UTC time `utcNow`: the local wall-clock time of the current
// time zone at that instant, as seconds since 1970-01-01 00:00:00 of the local calendar.
std::int32_t ControllerClockValue(std::time_t utcNow);

} // namespace bf
