#pragma once

#include "core/Host.h"
#include "tests/support/VirtualClock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bf::fuzz {

// The window as the fuzz targets see it: log lines and boxes are kept, file dialogs answer with
// one path, and each pump step moves the virtual clock by 1 ms, as the tests' recording host does.
// The window is closed at a chosen pump step. A progress percentage outside 0 to 100 breaks a rule.
class FuzzHost final : public Host {
  public:
    explicit FuzzHost(test::VirtualClock& clock) : m_clock(clock) {}

    std::vector<std::string> log;
    std::vector<std::string> boxes;
    std::optional<std::string> fileAnswer; // every file dialog's answer; nullopt cancels
    std::uint64_t closeAtPump = 0;         // 0: never
    bool closeWasRequested = false;        // the window was closed at some point of the run
    bool toolbarOff = false;               // the last EnableToolbarButtons switched them off
    bool toolbarTouched = false;
    std::function<void()> onStep; // after each pump step

    void AppendLog(std::string_view line) override { log.emplace_back(line); }
    void ClearLog() override {}
    void UpdateProgress(int percent, int reset) override;
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void PumpMessages() override;
    void WaitPumping(std::uint32_t ms) override;
    void ShowMessageBox(std::string_view text, std::string_view, BoxIcon) override {
        boxes.emplace_back(text);
    }
    std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>&) override { return fileAnswer; }
    std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>&) override { return fileAnswer; }
    bool ConfirmOverwrite(const std::string&) override { return true; }
    void OpenInTextEditor(const std::string&) override {}
    void EnableToolbarButtons(bool open, bool update, bool param) override;
    void SetCounterText(std::string_view) override {}
    bool CloseRequested() const override { return m_closeRequested; }
    void ClearCloseRequest() override { m_closeRequested = false; }

  private:
    test::VirtualClock& m_clock;
    std::uint64_t m_pumps = 0;
    int m_lastPercent = 0;
    bool m_closeRequested = false;
};

} // namespace bf::fuzz
