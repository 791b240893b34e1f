#pragma once

#include "core/Host.h"
#include "core/ProgressEstimate.h"
#include "tests/support/VirtualClock.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bf::test {

// A Host that records every log line, box, progress call and toolbar change, answers file dialogs
// from queues the test fills, and moves the virtual clock by 1 ms per pump step. Like the window,
// it pumps one step when UpdateProgress shows a new percentage.
class RecordingHost final : public Host {
  public:
    explicit RecordingHost(VirtualClock& clock) : m_clock(clock) {}

    struct Box {
        std::string text;
        std::string caption;
        BoxIcon icon;
    };
    struct Progress {
        int percent;
        int reset;
    };
    struct Dialog {
        bool save;
        std::vector<FileFilter> filters;
    };

    // Recorded.
    std::vector<std::string> log;           // every line ever appended (ClearLog does not erase it)
    std::vector<std::string> logSinceClear; // the log pane's lines since the last ClearLog
    int clears = 0;
    std::vector<Box> boxes;
    std::vector<Progress> progress;
    std::vector<std::pair<int, int>> progressRanges;
    std::vector<int> progressPositions;
    std::vector<std::string> counterTexts;
    std::vector<std::vector<bool>> toolbar; // each EnableToolbarButtons call
    std::vector<Dialog> dialogs;
    std::vector<std::string> editorOpened;
    std::vector<std::string> overwriteQuestions;
    long pumps = 0;
    std::vector<std::uint32_t> waits; // WaitPumping durations

    // The progress calls in order: the percentage of each update, -1 for each reset.
    std::vector<int> Shown() const;

    // Scripted answers.
    std::deque<std::optional<std::string>> fileAnswers; // empty queue answers Cancel
    bool confirmOverwrite = true;
    bool closeRequested = false;
    // Runs on every pump step (after the clock moved), e.g. to request closing at a given moment.
    std::function<void()> onPump;
    // Runs on every progress call (after it was recorded).
    std::function<void(int percent, int reset)> onProgress;

    // Host
    void AppendLog(std::string_view line) override;
    void ClearLog() override;
    void UpdateProgress(int percent, int reset) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void PumpMessages() override;
    void WaitPumping(std::uint32_t ms) override;
    void ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) override;
    std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>& filters) override;
    std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>& filters) override;
    bool ConfirmOverwrite(const std::string& path) override;
    void OpenInTextEditor(const std::string& path) override;
    void EnableToolbarButtons(bool open, bool update, bool param) override;
    void SetCounterText(std::string_view text) override;
    bool CloseRequested() const override { return closeRequested; }
    void ClearCloseRequest() override { closeRequested = false; }

  private:
    std::optional<std::string> NextFileAnswer(bool save, const std::vector<FileFilter>& filters);
    VirtualClock& m_clock;
    ProgressEstimate m_estimate;
};

} // namespace bf::test
