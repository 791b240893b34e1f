// brenvaldor: the command line of BrenvaldorFlash, for scripts, service vans and production lines.
#include "cli/Arguments.h"
#include "cli/CommandLine.h"
#include "cli/Interrupt.h"
#include "core/System.h"

#include <iostream>

int main(int argc, char** argv) {
    bf::cli::InstallInterruptHandlers();
    const std::vector<std::string> arguments = bf::cli::Utf8Arguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    return bf::cli::Main(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr,
                         bf::StandardErrorIsTerminal());
}
