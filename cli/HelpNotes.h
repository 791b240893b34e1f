#pragma once

namespace bf::cli {

// The parts of --help that differ between the systems (HelpNotes_posix.cpp, HelpNotes_win.cpp).

// Where the settings file is and what it gives: the end of the sentence "The port is --port, else
// BRENVALDOR_PORT from the environment, else the settings file's", one or more whole lines.
extern const char kSettingsNote[];
// What stops a command, as in "<note> stops a command at its next wait" (it may hold a line
// break).
extern const char kInterruptNote[];

} // namespace bf::cli
