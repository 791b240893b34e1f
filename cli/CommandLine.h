#pragma once

#include <ostream>

namespace bf::cli {

// The whole program: parses the arguments (CLI11), runs the subcommand, returns the exit status.
// Help goes to `out`, usage errors to `err` with status 64.
int Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal);

} // namespace bf::cli
