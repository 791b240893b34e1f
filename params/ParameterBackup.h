#pragma once

#include "Host.h"
#include "Session.h"

#include <cstddef>

namespace bf {

// File > Parameter > Backup...: captures the controller's parameter printout into a text file.
void ParameterBackup(Session& s);
// The same with another limit for the capture buffer than its default sanity cap.
void ParameterBackup(Session& s, std::size_t captureCap);
// File > Parameter > Edit...: opens a parameter file in the desktop's text editor.
void ParameterEdit(Host& host);

} // namespace bf
