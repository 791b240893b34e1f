#pragma once

#include "serial/Port.h"
#include "serial/PortMap.h"

#include <memory>

namespace bf {

// The serial port of this system, for the front ends: port numbers lead to devices through `map`
// where the system has no port numbers of its own.
std::unique_ptr<Port> MakeSystemPort(const PortMap& map);

} // namespace bf
