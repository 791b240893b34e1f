#pragma once

#include "core/Clock.h"
#include "core/Host.h"
#include "core/PortSettings.h"
#include "serial/Port.h"

namespace bf {

// Everything a controller operation works with: the window, the clock, the one serial port and
// the port settings. The window passes its own members; tests pass recorders and simulators.
struct Session {
    Host& host;
    Clock& clock;
    Port& port;
    PortSettings& settings;
};

} // namespace bf
