#pragma once

#include "sim/ControllerModel.h"

#include <optional>
#include <string>
#include <vector>

namespace bf::sim {

// How brenvaldor-sim serves the model: the command line turned into settings and fault knobs.
struct SimOptions {
    std::string linkPath;     // a symlink to the pseudo-terminal, made at start, removed at the end
    bool pace = false;        // both directions take their wire time (11 bits per byte)
    bool rateCheck = true;    // bytes at a line rate other than the controller's are lost
    std::string printoutFile; // parameter printout read from this file
    std::string recordFile;   // at exit, every text the PC sent is written here, each as FF 23 + text
    Faults faults;
    bool help = false;
};

// Parses the arguments (without the program name). On a mistake returns nothing and sets `error`.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

// The --help text, one line per option.
const char* SimUsage();

} // namespace bf::sim
