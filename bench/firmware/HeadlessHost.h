#pragma once

#include "Host.h"

#include <string>
#include <utility>

namespace bf::bench {

// A window without a window: answers each file dialog with the next given path and remembers
// whether a message box came up. Everything else does nothing.
class HeadlessHost final : public Host {
  public:
    HeadlessHost(std::string openPath, std::string savePath)
        : m_openPath(std::move(openPath)), m_savePath(std::move(savePath)) {}

    bool boxShown = false;
    std::string lastBox;

    void AppendLog(std::string_view) override {}
    void ClearLog() override {}
    void UpdateProgress(int, int) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void PumpMessages() override {}
    void WaitPumping(std::uint32_t) override {}
    void MessageBox(std::string_view text, std::string_view, BoxIcon) override {
        boxShown = true;
        lastBox = text;
    }
    std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>&) override { return m_openPath; }
    std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>&) override { return m_savePath; }
    bool ConfirmOverwrite(const std::string&) override { return true; }
    void OpenInTextEditor(const std::string&) override {}
    void EnableToolbarButtons(bool, bool, bool) override {}
    void SetCounterText(std::string_view) override {}
    bool CloseRequested() const override { return false; }
    void ClearCloseRequest() override {}

  private:
    std::string m_openPath;
    std::string m_savePath;
};

} // namespace bf::bench
