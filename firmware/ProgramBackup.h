#pragma once

#include "Session.h"

namespace bf {

// File > Backup...: reads sectors 1 to 18 of the controller's flash into a binary image file.
void BackupProgram(Session& s);

} // namespace bf
