#pragma once

#include "cli/Invocation.h"

#include <ostream>
#include <string_view>

namespace bf::cli {

// Runs one command and returns its exit status. Output lines go to `out` (or, with --json, one
// report object at the end), errors to `err`; the progress line is drawn on `err` when it is a
// terminal and --quiet is not given.
// A failed write to standard output ends with 74 (a reader that went away ends nothing).
int RunCommand(const Invocation& inv, std::ostream& out, std::ostream& err, bool errIsTerminal);

// Writes one line to standard output and flushes it: 0, or the errno of the failure.
int WriteOutput(std::ostream& out, std::string_view text);

} // namespace bf::cli
