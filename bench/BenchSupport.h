#pragma once

#include "core/Host.h"

#include <ctime>

namespace bf::bench {

// A window without a window, as at Priority High: it pumps nothing, shows nothing and answers
// every dialog with Cancel. Benchmarks override what they need to see, so the figures are the
// operation's own.
class QuietHost : public Host {
  public:
    void AppendLog(std::string_view) override {}
    void ClearLog() override {}
    void UpdateProgress(int, int) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void PumpMessages() override {}
    void WaitPumping(std::uint32_t) override {}
    void ShowMessageBox(std::string_view, std::string_view, BoxIcon) override {}
    std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>&) override { return {}; }
    std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>&) override { return {}; }
    bool ConfirmOverwrite(const std::string&) override { return false; }
    void OpenInTextEditor(const std::string&) override {}
    void EnableToolbarButtons(bool, bool, bool) override {}
    void SetCounterText(std::string_view) override {}
    bool CloseRequested() const override { return false; }
    void ClearCloseRequest() override {}
};

// Processor time used by this process so far, in seconds.
inline double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace bf::bench
