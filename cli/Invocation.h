#pragma once

#include "cli/PortChoice.h"

#include <string>
#include <vector>

namespace bf::cli {

// One run of the program as the command line asked for it.
struct Invocation {
    std::string command;            // the subcommand's name
    std::vector<std::string> files; // its file arguments, in order
    PortRequest port;
    double waitSeconds = -1; // --wait; negative when not given
    bool json = false;
    bool quiet = false;
    bool force = false;
    bool dryRun = false;
    bool paramSearch = false; // detect --param
};

} // namespace bf::cli
