#pragma once

#include "cli/Invocation.h"

#include <ostream>

namespace bf::cli {

// Runs one command and returns its exit status. Output lines go to `out` (or, with --json, one
// report object at the end), errors to `err`; the progress line is drawn on `err` when it is a
// terminal and --quiet is not given.
int RunCommand(const Invocation& inv, std::ostream& out, std::ostream& err, bool errIsTerminal);

} // namespace bf::cli
