#pragma once

#include <exception>

namespace bf::cli {

// Ctrl-C and SIGTERM are the command line's closing request: the first one sets a flag that the
// running command finds at its next wait; a second one ends the program at once, as usual.
void InstallInterruptHandlers();
bool InterruptRequested();
// Sets or clears the flag as a signal would; for tests.
void SetInterruptRequested(bool requested);

// Thrown at a wait once the flag is set. It unwinds the running operation (its files are
// discarded on the way) up to the command, which closes the port and exits with 130.
struct Interrupted : std::exception {
    const char* what() const noexcept override;
};
void ThrowIfInterrupted();

} // namespace bf::cli
