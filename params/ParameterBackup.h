#pragma once

#include "core/Host.h"
#include "link/CommandResult.h"
#include "link/Session.h"

#include <cstddef>

namespace bf {

// File > Parameter > Backup...: captures the controller's parameter printout into a text file.
// The window goes on through missing answers and only logs them; the result tells a caller that
// acts on it whether a whole printout came: it fails with 1 when the text did not end with its end
// mark (a silent controller sends none), and with 2 when it outgrew the capture.
CommandResult ParameterBackup(Session& s);
// The same with another limit for the capture buffer than its default sanity cap.
CommandResult ParameterBackup(Session& s, std::size_t captureCap);
// File > Parameter > Edit...: opens a parameter file in the desktop's text editor.
void ParameterEdit(Host& host);

} // namespace bf
