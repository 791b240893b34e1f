#include "cli/HelpNotes.h"

namespace bf::cli {

const char kSettingsNote[] =
    "($XDG_CONFIG_HOME/BrenvaldorFlash.ini or ~/.config/BrenvaldorFlash.ini, read and never\n"
    "written): SerialPort 1 to 6, with the rate SerialBaudRate and the devices of the COM numbers\n"
    "in [Ports].\n";
const char kInterruptNote[] = "Ctrl-C or SIGTERM";

} // namespace bf::cli
