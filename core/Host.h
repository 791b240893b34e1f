#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bf {

enum class BoxIcon { None, Error };

// One entry of a file dialog's filter list, e.g. {"Brenvaldor Firmware (*.hex;*.bin)", "*.hex;*.bin"}.
struct FileFilter {
    std::string description;
    std::string pattern; // patterns separated by ';'
};

// What an operation needs from the window. CFlashToolDlg implements it with Qt; tests use a recorder.
// Every call happens on the one user-interface thread.
class Host {
  public:
    virtual ~Host() = default;

    // Log pane: one line without line end; ClearLog empties the text (shown with the next line).
    virtual void AppendLog(std::string_view line) = 0;
    virtual void ClearLog() = 0;

    // Progress display: percent as the caller computed it (only its low 8 bits count, read as
    // signed); reset == 1 starts a new estimate.
    virtual void UpdateProgress(int percent, int reset) = 0;
    // Direct drive of the progress bar, bypassing the estimate (used by the port search).
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int pos) = 0;

    // One event-handling step (does nothing at Priority High), and a wait that always handles events.
    virtual void PumpMessages() = 0;
    virtual void WaitPumping(std::uint32_t ms) = 0;

    // An empty caption shows the application's title.
    virtual void ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) = 0;
    // File dialogs; std::nullopt when cancelled. The chosen folder becomes the current folder.
    virtual std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>& filters) = 0;
    // Asks before replacing an existing file under a name the save dialog did not confirm.
    virtual bool ConfirmOverwrite(const std::string& path) = 0;
    // Opens a text file in the desktop's editor; the path is passed as one argument, no shell.
    virtual void OpenInTextEditor(const std::string& path) = 0;

    virtual void EnableToolbarButtons(bool open, bool update, bool param) = 0;
    // Counter text of the flash update ("R %d" / "S %d"), control 1006.
    virtual void SetCounterText(std::string_view text) = 0;

    // The closing flag m_bCloseRequested.
    virtual bool CloseRequested() const = 0;
    virtual void ClearCloseRequest() = 0;
};

} // namespace bf
