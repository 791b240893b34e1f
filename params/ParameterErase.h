#pragma once

#include "link/CommandResult.h"
#include "link/Session.h"

namespace bf {

// File > Parameter > Erase block: erases the three parameter blocks (sectors 1, 2, 3).
CommandResult EraseParameterBlocks(Session& s);

} // namespace bf
