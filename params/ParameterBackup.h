#pragma once

#include "Host.h"
#include "Session.h"

namespace bf {

// File > Parameter > Backup...: captures the controller's parameter printout into a text file.
void ParameterBackup(Session& s);
// File > Parameter > Edit...: opens a parameter file in the desktop's text editor.
void ParameterEdit(Host& host);

} // namespace bf
