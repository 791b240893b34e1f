// brenvaldor: the command line of BrenvaldorFlash, for scripts, service vans and production lines.
#include "cli/CommandLine.h"
#include "cli/Interrupt.h"
#include "core/System.h"

#include <iostream>

int main(int argc, char** argv) {
    bf::cli::InstallInterruptHandlers();
    return bf::cli::Main(argc, argv, std::cout, std::cerr, bf::StandardErrorIsTerminal());
}
