#pragma once

#include "link/CommandResult.h"
#include "link/Session.h"

namespace bf {

// Probes ports 1 to 28 and leaves the first answering one in settings.m_nPort, else 0.
void AutodetectPort(Session& s);      // connect-mode probe F1 -> 01
void AutodetectPortParam(Session& s); // escape-pair probe FF 01 -> FF 02

// File > Reset: sends the restart command F8 (no handshake, no answer awaited). Fails with 1 when
// the port search found nothing and with 9 when the port failed.
CommandResult ResetController(Session& s);

} // namespace bf
