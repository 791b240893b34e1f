#include "winapp/SystemPrompter.h"

#include "winapp/ResourceIds.h"

#include <commdlg.h>
#include <shellapi.h>

namespace bf::win {

namespace {
// Long paths as well as short ones.
constexpr DWORD kPathCapacity = 32768;
constexpr wchar_t kCurrentFolder[] = L".\\";

INT_PTR CALLBACK AboutProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hWnd, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
} // namespace

int SystemPrompter::ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption,
                                UINT type) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

std::optional<std::wstring> SystemPrompter::AskFileName(HWND owner, const std::wstring& filter, bool save) {
    std::wstring path(kPathCapacity, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str(); // the string's own terminator ends the list
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = kPathCapacity;
    ofn.lpstrInitialDir = kCurrentFolder;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen)
        return std::nullopt;
    path.resize(path.find(L'\0'));
    return path;
}

void SystemPrompter::ShellOpen(HWND owner, const std::wstring& verb, const std::wstring& file) {
    // The shell's result is not looked at: a missing viewer shows nothing of ours.
    ShellExecuteW(owner, verb.empty() ? nullptr : verb.c_str(), file.c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

void SystemPrompter::StartProgram(const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine; // CreateProcessW may write into it
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void SystemPrompter::RunAbout(HWND owner) {
    DialogBoxParamW(m_instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, AboutProc, 0);
}

} // namespace bf::win
