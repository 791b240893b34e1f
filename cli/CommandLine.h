#pragma once

#include "cli/Invocation.h"

#include <functional>
#include <ostream>

namespace bf::cli {

// Runs the command the arguments asked for and returns its exit status.
using CommandRunner =
    std::function<int(const Invocation& inv, std::ostream& out, std::ostream& err, bool errIsTerminal)>;

// The whole program: parses the arguments (CLI11), runs the subcommand, returns the exit status.
// Help goes to `out`, usage errors to `err` with status 64.
int Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal);
// The same with another runner of the parsed command than RunCommand.
int Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal,
         const CommandRunner& run);

} // namespace bf::cli
