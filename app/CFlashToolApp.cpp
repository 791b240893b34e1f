#include "app/CFlashToolApp.h"

#include "app/CFlashToolDlg.h"
#include "app/QtPrompter.h"
#include "core/Clock.h"
#include "core/SetupSettings.h"
#include "tool/ModuleOperations.h"

namespace bf {

bool CFlashToolApp::InitInstance() {
    QtPrompter prompter;
    ModuleOperations operations;
    SteadyClock clock;
    // On the heap: the dialog carries the 1 MiB firmware image's owner and the serial port.
    auto dialog = std::make_unique<CFlashToolDlg>(prompter, operations, clock, settings::FilePath());
    dialog->exec();
    // Destroying the dialog closes the serial port if an interrupted operation left it open.
    dialog.reset();
    return false;
}

} // namespace bf
