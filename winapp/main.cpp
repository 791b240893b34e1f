// BrenvaldorFlash.exe: the main dialog on the Windows API over the tool's operations.
#include "core/Clock.h"
#include "core/SetupSettings.h"
#include "tool/ModuleOperations.h"
#include "winapp/CFlashToolDlg.h"
#include "winapp/SystemPrompter.h"

#include <windows.h>

#include <memory>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    bf::win::SystemPrompter prompter(instance);
    bf::ModuleOperations operations;
    bf::SteadyClock clock;
    // On the heap: the dialog carries the 1 MiB firmware image's owner and the serial port.
    auto dialog =
        std::make_unique<bf::win::CFlashToolDlg>(prompter, operations, clock, bf::settings::FilePath());
    if (!dialog->Create(instance))
        return 1;
    dialog->Run();
    // Destroying the dialog closes the serial port if an interrupted operation left it open.
    return 0;
}
