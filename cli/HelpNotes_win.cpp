#include "cli/HelpNotes.h"

namespace bf::cli {

const char kSettingsNote[] =
    "(%APPDATA%\\BrenvaldorFlash.ini, read and never written; while it does not exist, the one in\n"
    "the Windows folder): SerialPort 1 to 6, with the rate SerialBaudRate. COM numbers are the\n"
    "system's own ports: the [Ports] section is not used on Windows.\n";
// Broken in two: one line would be too long.
const char kInterruptNote[] = "Ctrl-C, Ctrl-Break or closing the console\nwindow";

} // namespace bf::cli
