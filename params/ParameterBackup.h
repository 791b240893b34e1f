#pragma once

#include "core/Host.h"
#include "link/CommandResult.h"
#include "link/Session.h"
#include "params/ParameterCapture.h"

#include <cstddef>

namespace bf {

// How a parameter backup treats its capture.
struct BackupOptions {
    // What came of a printout that did not come whole (no end mark, or more than the capture
    // holds) is written all the same, as the window does; the command line writes the file only
    // when the whole printout came.
    bool keepPartial = true;
    std::size_t captureCap = ParameterCapture::kDefaultCap;
};

// File > Parameter > Backup...: captures the controller's parameter printout into a text file.
// The window goes on through missing answers and only logs them; the result tells a caller that
// acts on it whether a whole printout came: it fails with 1 when the text did not end with its end
// mark (a silent controller sends none), and with 2 when it outgrew the capture.
CommandResult ParameterBackup(Session& s, const BackupOptions& options = {});
// File > Parameter > Edit...: opens a parameter file in the desktop's text editor.
void ParameterEdit(Host& host);

} // namespace bf
