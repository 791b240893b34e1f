// brenvaldor: the command line of BrenvaldorFlash, for scripts, service vans and production lines.
#include "cli/CommandLine.h"
#include "cli/Interrupt.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    bf::cli::InstallInterruptHandlers();
    return bf::cli::Main(argc, argv, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
