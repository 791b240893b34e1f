#pragma once

#include "CommandResult.h"
#include "Session.h"

namespace bf {

// File > Parameter > Erase block: erases the three parameter blocks (sectors 1, 2, 3).
CommandResult EraseParameterBlocks(Session& s);

} // namespace bf
