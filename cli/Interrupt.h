#pragma once

#include <exception>

namespace bf::cli {

// Ctrl-C, SIGTERM and SIGHUP (on Windows Ctrl-C, Ctrl-Break and closing the console) are the command
// line's closing request: the first one sets a flag that the running command finds at its next
// wait; a second one ends the program at once, as usual. The handlers are the system's own
// (Interrupt_posix.cpp, Interrupt_win.cpp).
void InstallInterruptHandlers();
bool InterruptRequested();
// Sets or clears the flag: the handlers set it, tests set and clear it.
void SetInterruptRequested(bool requested);

// Thrown at a wait once the flag is set. It unwinds the running operation (its files are
// discarded on the way) up to the command, which closes the port and exits with 130.
struct Interrupted : std::exception {
    const char* what() const noexcept override;
};
void ThrowIfInterrupted();

} // namespace bf::cli
