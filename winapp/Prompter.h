#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace bf::win {

// Everything the window shows modally or hands to the system. The program uses the system's boxes,
// common file dialogs and shell (SystemPrompter); window tests answer from a script, so no test
// ever blocks on a box.
class Prompter {
  public:
    virtual ~Prompter() = default;
    // MessageBoxW: `type` holds the buttons and the icon (MB_...); returns the button pressed (ID...).
    virtual int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
    // GetOpenFileNameW / GetSaveFileNameW; `filter` is the pairs of texts, each ended by a NUL.
    // Nothing when cancelled.
    virtual std::optional<std::wstring> AskFileName(HWND owner, const std::wstring& filter, bool save) = 0;
    // ShellExecuteW with `verb` (empty: the default verb) on `file`, shown normally.
    virtual void ShellOpen(HWND owner, const std::wstring& verb, const std::wstring& file) = 0;
    // Starts a program from a command line (CreateProcessW), without waiting for it.
    virtual void StartProgram(const std::wstring& commandLine) = 0;
    // The About box (dialog 100), modal.
    virtual void RunAbout(HWND owner) = 0;
};

} // namespace bf::win
