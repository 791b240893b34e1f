#include "cli/Interrupt.h"

#include <csignal>

namespace bf::cli {

namespace {

void OnSignal(int) {
    SetInterruptRequested(true);
}

} // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    // The second signal finds the default action again and ends the program.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A dropped SSH session or a closed terminal: the command stops as for SIGTERM.
    sigaction(SIGHUP, &action, nullptr);
    // A closed standard output (`brenvaldor update ... | head`) must not kill a running update.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace bf::cli
