#pragma once

#include "winapp/Prompter.h"

namespace bf::win {

// The system's own boxes, file dialogs and shell.
class SystemPrompter final : public Prompter {
  public:
    explicit SystemPrompter(HINSTANCE instance) : m_instance(instance) {}

    int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
    std::optional<std::wstring> AskFileName(HWND owner, const std::wstring& filter, bool save) override;
    void ShellOpen(HWND owner, const std::wstring& verb, const std::wstring& file) override;
    void StartProgram(const std::wstring& commandLine) override;
    void RunAbout(HWND owner) override;

  private:
    HINSTANCE m_instance;
};

} // namespace bf::win
