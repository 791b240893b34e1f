#pragma once

#include "link/CommandResult.h"
#include "link/Session.h"

namespace bf {

// File > Backup...: reads sectors 1 to 18 of the controller's flash into a binary image file.
CommandResult BackupProgram(Session& s);

} // namespace bf
