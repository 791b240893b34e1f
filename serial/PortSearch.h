#pragma once

#include "Session.h"

namespace bf {

// Probes ports 1 to 28 and leaves the first answering one in settings.m_nPort, else 0.
void AutodetectPort(Session& s);      // connect-mode probe F1 -> 01
void AutodetectPortParam(Session& s); // escape-pair probe FF 01 -> FF 02

// File > Reset: sends the restart command F8 (no handshake, no answer awaited).
void ResetController(Session& s);

} // namespace bf
