#pragma once

#include "Session.h"

#include <cstdint>
#include <ctime>

namespace bf {

// File > Parameter > Update...: sets the controller's clock, then sends a parameter file line by line.
void ParameterUpdate(Session& s);

// The controller clock value T = U - Z + D for the UTC time `utcNow` in the current time zone.
std::int32_t ControllerClockValue(std::time_t utcNow);

} // namespace bf
