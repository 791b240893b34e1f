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

// What an operation needs from the front end that started it: the log, the progress display, waits
// that keep the window alive, boxes and file dialogs, the toolbar and the closing request. Each
// window implements it with its toolkit, the command line on the console; tests use a recorder.
// Every call happens on the one thread that runs the front end.
class Host {
  public:
    virtual ~Host() = default;

    // The operation log: AppendLog adds one line, given without its line end; ClearLog empties the
    // log, and the emptied log shows with the next line.
    virtual void AppendLog(std::string_view line) = 0;
    virtual void ClearLog() = 0;

    // The progress display with its percentage and time-left estimate: percent as the caller
    // computed it (only its low 8 bits count, read as signed); reset == 1 empties the display and
    // starts a new estimate.
    virtual void UpdateProgress(int percent, int reset) = 0;
    // The progress bar alone, without percentage or estimate (the port search shows which port it tries).
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int pos) = 0;

    // PumpMessages handles at most one pending user event and returns at once (at Priority High it
    // handles none); WaitPumping lasts `ms` on the clock and handles events all the while, at either
    // priority.
    virtual void PumpMessages() = 0;
    virtual void WaitPumping(std::uint32_t ms) = 0;

    // A message box that the user closes before the call returns; an empty caption shows the
    // program's name.
    virtual void ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) = 0;
    // File dialogs; std::nullopt when cancelled. The chosen folder becomes the current folder.
    virtual std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>& filters) = 0;
    // Asks before replacing an existing file under a name the save dialog did not confirm.
    virtual bool ConfirmOverwrite(const std::string& path) = 0;
    // Opens a text file in the desktop's editor; the path is passed as one argument, no shell.
    virtual void OpenInTextEditor(const std::string& path) = 0;

    // Switches the Open, Update and Param toolbar buttons on or off; off while an operation runs.
    virtual void EnableToolbarButtons(bool open, bool update, bool param) = 0;
    // The short counter text below the log in which the flash update counts its resends ("R %d"
    // after a refused frame, "S %d" while it waits for the line to come back); empty clears it.
    virtual void SetCounterText(std::string_view text) = 0;

    // Whether the user has asked to close the program. The operations that stop for it clear it when
    // they start and look at it while they wait for the controller.
    virtual bool CloseRequested() const = 0;
    virtual void ClearCloseRequest() = 0;
};

} // namespace bf
