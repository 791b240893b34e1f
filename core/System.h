#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace bf {

// What the program asks of the system beyond files and serial ports. Each system answers in its own
// file (System_posix.cpp, System_win.cpp).

// The folder that holds this user's settings files, without a trailing separator. On POSIX
// systems: $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; without HOME (unset
// or empty) the home folder is the one the password database gives for this user.
// On Windows: %APPDATA% (the user's roaming application data), else the folder the system names
// for it.
std::string SettingsFolder();
// The folder where an earlier installation kept its settings for every user, which this program
// only ever reads: the Windows folder on Windows; empty on POSIX systems.
std::string SharedSettingsFolder();

// The offset of the local time from UTC at the instant `utc`, in seconds (east positive), as the
// time zone shows it at that instant, daylight saving included; 0 when the system cannot tell.
std::int64_t UtcOffsetAt(std::time_t utc);

// The upper-case form of a Unicode code point by the system's full case tables, the same whatever
// the user's locale; `c` itself where it has none (or the system has no tables).
char32_t UpperCaseOf(char32_t c);

// The system's text for an errno value, e.g. "No such file or directory".
std::string ErrnoText(int error);

// True when the standard error stream goes to a terminal (a console window on Windows).
bool StandardErrorIsTerminal();

// This process's id, as the system shows it.
std::uint32_t ProcessId();

} // namespace bf
