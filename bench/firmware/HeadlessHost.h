#pragma once

#include "bench/BenchSupport.h"

#include <string>
#include <utility>

namespace bf::bench {

// A window without a window: answers each file dialog with the next given path and remembers
// whether a message box came up.
class HeadlessHost final : public QuietHost {
  public:
    HeadlessHost(std::string openPath, std::string savePath)
        : m_openPath(std::move(openPath)), m_savePath(std::move(savePath)) {}

    bool boxShown = false;
    std::string lastBox;

    void ShowMessageBox(std::string_view text, std::string_view, BoxIcon) override {
        boxShown = true;
        lastBox = text;
    }
    std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>&) override { return m_openPath; }
    std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>&) override { return m_savePath; }
    bool ConfirmOverwrite(const std::string&) override { return true; }

  private:
    std::string m_openPath;
    std::string m_savePath;
};

} // namespace bf::bench
