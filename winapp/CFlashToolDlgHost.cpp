// What the operations and FlashTool use from the main window: log, progress, waiting, boxes, file
// dialogs, check marks, the port pane, the end of the dialog and the window-only commands.
#include "winapp/CFlashToolDlg.h"

#include "core/FileSystem.h"
#include "core/HelpDocument.h"
#include "core/PumpingWait.h"
#include "tool/CommandIds.h"
#include "winapp/Prompter.h"
#include "winapp/WideText.h"

namespace bf::win {

namespace {
constexpr wchar_t kLineEnd[] = L"\r\n";
constexpr wchar_t kDeviceManager[] = L"devmgmt.msc";
constexpr wchar_t kEditor[] = L"notepad.exe";

std::wstring Win32Filter(const std::vector<FileFilter>& filters) {
    std::wstring text;
    for (const FileFilter& f : filters) {
        text += Widen(f.description);
        text.push_back(L'\0');
        text += Widen(f.pattern);
        text.push_back(L'\0');
    }
    return text;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    // Without the separator that ends the folder part: FindDocument adds its own.
    const std::string program = Narrow(path);
    std::string folder(FolderOf(program));
    if (!folder.empty() && IsPathSeparator(folder.back()))
        folder.pop_back();
    return folder;
}

std::string CurrentFolder() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring path(size, L'\0');
    path.resize(GetCurrentDirectoryW(size, path.data()));
    return Narrow(path);
}
} // namespace

void CFlashToolDlg::AppendLog(std::string_view line) {
    // m_strLog keeps the exact bytes; the pane gets the new line decoded on its own. A log emptied
    // since the last line holds only this line now, so the pane shows just that.
    m_strLog.append(line);
    m_strLog.append("\r\n");
    const std::wstring shown = DecodedText(line) + kLineEnd;
    HWND edit = Control(cmd_id::Log);
    if (m_logRewritePending) {
        m_logRewritePending = false;
        SetWindowTextW(edit, shown.c_str());
    } else {
        const LRESULT end = GetWindowTextLengthW(edit);
        SendMessageW(edit, EM_SETSEL, end, end);
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    SendMessageW(edit, EM_LINESCROLL, 0, SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
}

void CFlashToolDlg::ClearLog() {
    m_strLog.clear();
    m_logRewritePending = true;
}

void CFlashToolDlg::UpdateProgress(int percent, int reset) {
    const ProgressEstimate::Display d = m_progressEstimate.Update(percent, reset, m_clock.nowMs());
    if (!d.changed)
        return;
    HWND bar = Control(cmd_id::Progress);
    if (d.reset) {
        SendMessageW(bar, PBM_SETRANGE32, 0, 100);
        SendMessageW(bar, PBM_SETPOS, 0, 0);
        SetDlgItemTextW(m_hWnd, cmd_id::Percent, L"");
        SetDlgItemTextW(m_hWnd, cmd_id::TimeLeft, L"");
        return;
    }
    // The bar holds a value outside its range at its end; the text shows the value itself.
    SetDlgItemTextW(m_hWnd, cmd_id::Percent, Widen(d.percentText).c_str());
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(d.barPos), 0);
    SetDlgItemTextW(m_hWnd, cmd_id::TimeLeft, Widen(d.timeLeftText).c_str());
    PumpMessages();
}

void CFlashToolDlg::SetProgressRange(int low, int high) {
    SendMessageW(Control(cmd_id::Progress), PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void CFlashToolDlg::SetProgressPos(int pos) {
    SendMessageW(Control(cmd_id::Progress), PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

// Takes one pending message of this thread and hands it on as the dialog's own loop does; false
// when there was none.
bool CFlashToolDlg::PumpStep() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        // Not ours to take: the loop that waits for it sees it again.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
    }
    if (!IsDialogMessageW(m_hWnd, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void CFlashToolDlg::PumpMessages() {
    if (m_tool.PumpFlag())
        PumpStep();
}

void CFlashToolDlg::WaitPumping(std::uint32_t ms) {
    WaitHandlingEvents(m_clock, ms, [this] { return PumpStep(); });
}

void CFlashToolDlg::ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) {
    const std::wstring title = caption.empty() ? Widen(FlashTool::kApplicationTitle) : DecodedText(caption);
    m_prompter.ShowMessage(m_hWnd, DecodedText(text), title,
                           MB_OK | (icon == BoxIcon::Error ? MB_ICONERROR : 0));
}

std::optional<std::string> CFlashToolDlg::AskFileName(const std::vector<FileFilter>& filters, bool save) {
    const std::optional<std::wstring> chosen = m_prompter.AskFileName(m_hWnd, Win32Filter(filters), save);
    if (!chosen)
        return std::nullopt;
    // The chosen folder becomes the current folder, where the next dialog starts.
    std::string path = Narrow(*chosen);
    const std::string_view folder = FolderOf(path);
    if (!folder.empty())
        SetCurrentDirectoryW(Widen(folder).c_str());
    return path;
}

std::optional<std::string> CFlashToolDlg::AskOpenFileName(const std::vector<FileFilter>& filters) {
    return AskFileName(filters, false);
}

std::optional<std::string> CFlashToolDlg::AskSaveFileName(const std::vector<FileFilter>& filters) {
    return AskFileName(filters, true);
}

bool CFlashToolDlg::ConfirmOverwrite(const std::string& path) {
    return m_prompter.ShowMessage(m_hWnd, Widen(FlashTool::OverwriteQuestion(path)),
                                  Widen(FlashTool::kApplicationTitle),
                                  MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void CFlashToolDlg::OpenInTextEditor(const std::string& path) {
    m_prompter.StartProgram(std::wstring(kEditor) + L" \"" + Widen(path) + L"\"");
}

void CFlashToolDlg::EnableToolbarButtons(bool open, bool update, bool param) {
    const bool states[] = {open, update, param};
    const int ids[] = {cmd_id::ToolbarOpen, cmd_id::ToolbarUpdate, cmd_id::ToolbarParam};
    for (int i = 0; i < 3; ++i)
        SendMessageW(m_wndToolBar, TB_ENABLEBUTTON, ids[i], MAKELPARAM(states[i] ? TRUE : FALSE, 0));
}

void CFlashToolDlg::SetCounterText(std::string_view text) {
    SetDlgItemTextW(m_hWnd, cmd_id::Counter, DecodedText(text).c_str());
}

void CFlashToolDlg::SetChecked(int id, bool checked) {
    CheckMenuItem(GetMenu(m_hWnd), static_cast<UINT>(id),
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void CFlashToolDlg::SetPortPaneText(std::string_view text) {
    // The status bar centres a text that starts with a tab.
    SendMessageW(m_wndStatusBar, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    UpdateWindow(m_wndStatusBar);
}

void CFlashToolDlg::EndDialog(DialogEnd how) {
    m_ended = how;
    // Wakes the dialog's loop, which ends on seeing m_ended.
    PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CFlashToolDlg::ShowPortsWindow() {
    m_prompter.ShellOpen(nullptr, L"", kDeviceManager);
}

void CFlashToolDlg::OpenHelpDocument() {
    // The system's language picks the document; the current folder first, then the program's own.
    const char* name = help::DocumentForLanguage(GetSystemDefaultLangID());
    const std::string path = help::FindDocument(name, {CurrentFolder(), ProgramFolder()}, FileExists);
    // A missing document shows nothing, as no viewer would open.
    if (!path.empty())
        m_prompter.ShellOpen(m_hWnd, L"open", Widen(path));
}

void CFlashToolDlg::ShowAbout() {
    m_prompter.RunAbout(m_hWnd);
}

} // namespace bf::win
