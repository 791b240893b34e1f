#include "cli/Interrupt.h"

#include <windows.h>

namespace bf::cli {

namespace {

// How long the handler of a closed console holds the system back (it ends the process after 5 s).
constexpr DWORD kCloseGraceMs = 4000;

// Runs on a thread of its own that the system starts for each console event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        // The second request ends the program at once, as the system's own handler does.
        if (InterruptRequested())
            return FALSE;
        SetInterruptRequested(true);
        // For a closed console the system ends the process when this returns: wait here for the
        // running command to close the port and discard its files (the system allows 5 s).
        if (event == CTRL_CLOSE_EVENT)
            Sleep(kCloseGraceMs);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void InstallInterruptHandlers() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

} // namespace bf::cli
