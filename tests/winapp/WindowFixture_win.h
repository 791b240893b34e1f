#pragma once

#include "tests/support/RecordingOperations.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "winapp/CFlashToolDlg.h"
#include "winapp/Prompter.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bf::test {

// Answers the window's boxes and dialogs from a script and keeps what it was asked, so no test ever
// blocks on a box.
class RecordingPrompter final : public win::Prompter {
  public:
    struct Box {
        std::wstring text;
        std::wstring caption;
        UINT type;
    };
    struct FileQuestion {
        std::wstring filter;
        bool save;
    };
    struct ShellCall {
        HWND owner;
        std::wstring verb;
        std::wstring file;
    };
    std::vector<Box> boxes;
    int boxAnswer = IDOK;
    std::vector<FileQuestion> fileQuestions;
    std::deque<std::optional<std::wstring>> fileAnswers; // an empty queue cancels
    std::vector<ShellCall> shellCalls;
    std::vector<std::wstring> programs;
    int aboutRuns = 0;

    int ShowMessage(HWND, const std::wstring& text, const std::wstring& caption, UINT type) override {
        boxes.push_back({text, caption, type});
        return boxAnswer;
    }
    std::optional<std::wstring> AskFileName(HWND, const std::wstring& filter, bool save) override {
        fileQuestions.push_back({filter, save});
        if (fileAnswers.empty())
            return std::nullopt;
        auto answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    void ShellOpen(HWND owner, const std::wstring& verb, const std::wstring& file) override {
        shellCalls.push_back({owner, verb, file});
    }
    void StartProgram(const std::wstring& commandLine) override { programs.push_back(commandLine); }
    void RunAbout(HWND) override { ++aboutRuns; }
};

// The window made from its own resources, with recorded operations on the virtual clock and a
// settings file in a folder of the test's own.
class WindowTest : public ::testing::Test {
  protected:
    void WriteSettings(const std::string& text) { std::ofstream(SettingsPath(), std::ios::binary) << text; }
    // The settings file's text, its line ends as "\n" whatever the system writes.
    std::string ReadSettings() const {
        std::ifstream in(SettingsPath(), std::ios::binary);
        std::string text(std::istreambuf_iterator<char>(in), {});
        std::erase(text, '\r');
        return text;
    }
    std::string SettingsPath() const { return m_dir / "BrenvaldorFlash.ini"; }

    win::CFlashToolDlg& Window() {
        if (!m_window) {
            m_window =
                std::make_unique<win::CFlashToolDlg>(m_prompter, m_operations, m_clock, SettingsPath());
            EXPECT_TRUE(m_window->Create(GetModuleHandleW(nullptr)));
        }
        return *m_window;
    }
    HWND Dialog() { return Window().Handle(); }
    HWND Control(int id) { return GetDlgItem(Dialog(), id); }
    std::wstring Text(HWND control) {
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
        text.resize(
            static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    std::wstring Text(int id) { return Text(Control(id)); }
    bool Checked(int id) { return (GetMenuState(GetMenu(Dialog()), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    // The rectangle of dialog units (x, y, width, height) in client pixels: position and size each
    // mapped on their own, as the dialog manager places a control of the template.
    RECT DialogRect(int x, int y, int width, int height) {
        RECT r{x, y, width, height};
        MapDialogRect(Dialog(), &r);
        return RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
    }
    RECT ClientRectOf(HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, Dialog(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    TempDir m_dir;
    VirtualClock m_clock;
    RecordingPrompter m_prompter;
    RecordingOperations m_operations;
    std::unique_ptr<win::CFlashToolDlg> m_window;
};

} // namespace bf::test

// Rectangles compare and print in the tests' messages (found by their global type).
inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
