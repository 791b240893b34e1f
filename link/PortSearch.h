#pragma once

#include "link/CommandResult.h"
#include "link/Session.h"

#include <optional>
#include <string_view>

namespace bf {

// Probes ports 1 to 28 and leaves the first answering one in settings.m_nPort, else 0.
void AutodetectPort(Session& s);      // connect-mode probe F1 -> 01
void AutodetectPortParam(Session& s); // escape-pair probe FF 01 -> FF 02
// The port of the search's log line that names the port it found ("COMn: BRENVALDOR FOUND"), for a
// front end that says which port it is about to use; nullopt for any other line.
std::optional<int> FoundPortOf(std::string_view logLine);

// File > Reset: sends the restart command F8 (no handshake, no answer awaited). Fails with 1 when
// the port search found nothing and with 9 when the port failed.
CommandResult ResetController(Session& s);

} // namespace bf
