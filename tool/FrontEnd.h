#pragma once

#include <string_view>

namespace bf {

// How the main window's modal run ends: File > Exit ends it with Ok, a close request with Cancel.
enum class DialogEnd { Ok, Cancel };

// What a window does for FlashTool besides the Host calls of the operations: it shows the choices
// and carries out the commands that only a window has. Each window implements it with its toolkit.
class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // Sets or clears the check mark of the menu item with command id `id`.
    virtual void SetChecked(int id, bool checked) = 0;
    // Shows the port and rate in the status bar's port pane, at once. The text starts with a tab,
    // which asks for it to be centred.
    virtual void SetPortPaneText(std::string_view text) = 0;
    // Ends the main window's modal run.
    virtual void EndDialog(DialogEnd how) = 0;

    // Setup > DevMgmt: shows what lists the system's serial ports, without blocking a running
    // operation.
    virtual void ShowPortsWindow() = 0;
    // Help > BrenvaldorFlash Help...: opens the guide in the system's language, or nothing when
    // there is none.
    virtual void OpenHelpDocument() = 0;
    // Help > About: the About box, modal.
    virtual void ShowAbout() = 0;
};

} // namespace bf
