#include "winapp/CFlashToolDlg.h"

#include "tool/CommandIds.h"
#include "winapp/Prompter.h"
#include "winapp/ResourceIds.h"
#include "winapp/WideText.h"

namespace bf::win {

namespace {
constexpr wchar_t kBlankPane[] = L" ";
// Text widths of panes 1 and 2; each pane adds 3 pixels of border on either side.
constexpr int kPaneSecondWidth = 40;
constexpr int kPanePortWidth = 70;
constexpr int kPaneBorder = 6;
constexpr int kToolButtonSize = 53;
constexpr SIZE kToolbarImageSize{40, 32};
// The strips: 40 x 33 slots of which the buttons show 40 x 32; 0xCCCCCC is transparent.
constexpr SIZE kStripSlotSize{40, 33};
constexpr int kStripInitialCount = 13;
constexpr int kStripGrowBy = 1;
constexpr COLORREF kStripMaskColour = RGB(204, 204, 204);
// Dialog units kept free for the toolbar at the top of the client area, and its inner borders.
constexpr int kToolbarBand = 36;
constexpr int kToolbarBorderLeft = 2;
constexpr int kToolbarBorderTop = 2;

struct ToolButton {
    int id;
    const wchar_t* text;
};
constexpr ToolButton kToolButtons[] = {
    {cmd_id::ToolbarOpen, L"Open"}, {cmd_id::ToolbarUpdate, L"Update"}, {cmd_id::ToolbarParam, L"Param"}};

HIMAGELIST StripImageList(HINSTANCE instance, int bitmapId) {
    HIMAGELIST list = ImageList_Create(kStripSlotSize.cx, kStripSlotSize.cy, ILC_COLORDDB | ILC_MASK,
                                       kStripInitialCount, kStripGrowBy);
    HBITMAP strip = LoadBitmapW(instance, MAKEINTRESOURCEW(bitmapId));
    ImageList_AddMasked(list, strip, kStripMaskColour);
    DeleteObject(strip);
    return list;
}
} // namespace

CFlashToolDlg::CFlashToolDlg(Prompter& prompter, Operations& operations, Clock& clock,
                             std::string settingsPath)
    : m_prompter(prompter), m_clock(clock), m_tool(*this, *this, operations, clock, std::move(settingsPath)) {
}

CFlashToolDlg::~CFlashToolDlg() {
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
    for (HIMAGELIST list : {m_imageList, m_hotImageList, m_disabledImageList})
        if (list != nullptr)
            ImageList_Destroy(list);
    for (HICON icon : {m_hIcon, m_hSmallIcon})
        if (icon != nullptr)
            DestroyIcon(icon);
}

bool CFlashToolDlg::Create(HINSTANCE instance) {
    m_instance = instance;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_BRENVALDORFLASH_DIALOG), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

DialogEnd CFlashToolDlg::Run() {
    ShowWindow(m_hWnd, SW_SHOW);
    MSG msg;
    while (!m_ended && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return m_ended.value_or(DialogEnd::Cancel);
}

INT_PTR CALLBACK CFlashToolDlg::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        auto* self = reinterpret_cast<CFlashToolDlg*>(lParam);
        self->m_hWnd = hWnd;
        self->OnInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<CFlashToolDlg*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CFlashToolDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        // Enter and Escape reach a dialog as IDOK and IDCANCEL: neither ends this one.
        if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL && HIWORD(wParam) <= 1)
            m_tool.OnCommand(LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == m_wndToolBar && header->code == TBN_DROPDOWN) {
            OnToolbarDropDown(*reinterpret_cast<const NMTOOLBARW*>(lParam));
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TBDDRET_DEFAULT);
            return TRUE;
        }
        return FALSE;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            ShowAbout();
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_CLOSE:
        OnClose();
        return TRUE;
    default:
        return FALSE;
    }
}

void CFlashToolDlg::OnInitDialog() {
    AddAboutToSystemMenu();
    m_hIcon = static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_hSmallIcon =
        static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    CreateStatusBar();
    CreateToolBar();
    LayOutBars();
    // The log has no limit of its own; operations empty it when they start.
    SendMessageW(Control(cmd_id::Log), EM_SETLIMITTEXT, 0, 0);
    SendMessageW(Control(cmd_id::Progress), PBM_SETRANGE32, 0, 100);
    m_tool.Start();
}

void CFlashToolDlg::AddAboutToSystemMenu() {
    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    wchar_t text[256] = {};
    if (systemMenu == nullptr || LoadStringW(m_instance, IDS_ABOUTBOX, text, 256) == 0)
        return;
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
}

void CFlashToolDlg::CreateStatusBar() {
    m_wndStatusBar = CreateWindowExW(
        0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, m_hWnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(cmd_id::StatusBar)), m_instance, nullptr);
    SendMessageW(m_wndStatusBar, SB_SETTEXTW, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(kBlankPane));
    SendMessageW(m_wndStatusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(kBlankPane));
}

void CFlashToolDlg::CreateToolBar() {
    m_wndToolBar =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | CCS_NOPARENTALIGN |
                            CCS_NORESIZE | CCS_NODIVIDER,
                        0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(cmd_id::ToolBar)),
                        m_instance, nullptr);
    SendMessageW(m_wndToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    m_imageList = StripImageList(m_instance, IDB_TOOLBAR);
    m_hotImageList = StripImageList(m_instance, IDB_TOOLBAR);
    m_disabledImageList = StripImageList(m_instance, IDB_TOOLBAR_DISABLED);
    SendMessageW(m_wndToolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_imageList));
    SendMessageW(m_wndToolBar, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(m_hotImageList));
    SendMessageW(m_wndToolBar, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(m_disabledImageList));
    SendMessageW(m_wndToolBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(kToolbarImageSize.cx, kToolbarImageSize.cy));

    // Open, separator, Update, separator, Param; the images in button order.
    TBBUTTON buttons[5] = {};
    for (int i = 0; i < 3; ++i) {
        TBBUTTON& b = buttons[2 * i];
        b.iBitmap = i;
        b.idCommand = kToolButtons[i].id;
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_BUTTON;
        b.iString = reinterpret_cast<INT_PTR>(kToolButtons[i].text);
        if (i > 0)
            buttons[2 * i - 1].fsStyle = BTNS_SEP;
    }
    // Without the extended drop-down-arrow style, pressing anywhere on Param shows the PARAM menu.
    buttons[4].fsStyle = BTNS_BUTTON | BTNS_DROPDOWN;
    SendMessageW(m_wndToolBar, TB_ADDBUTTONSW, 5, reinterpret_cast<LPARAM>(buttons));
    SendMessageW(m_wndToolBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(kToolButtonSize, kToolButtonSize));
}

void CFlashToolDlg::LayOutBars() {
    RECT client;
    GetClientRect(m_hWnd, &client);
    RECT band{0, 0, 0, kToolbarBand};
    MapDialogRect(m_hWnd, &band);
    MoveWindow(m_wndToolBar, kToolbarBorderLeft, kToolbarBorderTop, client.right - kToolbarBorderLeft,
               band.bottom - kToolbarBorderTop, TRUE);
    // The status bar places itself along the bottom; the panes keep their widths from the right.
    SendMessageW(m_wndStatusBar, WM_SIZE, 0, 0);
    const int port = kPanePortWidth + kPaneBorder;
    const int second = kPaneSecondWidth + kPaneBorder;
    const int edges[3] = {client.right - port - second, client.right - port, -1};
    SendMessageW(m_wndStatusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

void CFlashToolDlg::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    RECT client;
    GetClientRect(m_hWnd, &client);
    if (IsIconic(m_hWnd)) {
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, m_hIcon);
    } else {
        // An etched line across the top of the client area, below the menu.
        const int saved = SaveDC(dc);
        const struct {
            int colour;
            int y;
        } lines[] = {{COLOR_BTNSHADOW, 0}, {COLOR_BTNHIGHLIGHT, 1}};
        for (const auto& line : lines) {
            SelectObject(dc, GetStockObject(DC_PEN));
            SetDCPenColor(dc, GetSysColor(line.colour));
            MoveToEx(dc, 0, line.y, nullptr);
            LineTo(dc, client.right, line.y);
        }
        RestoreDC(dc, saved);
    }
    EndPaint(m_hWnd, &paint);
}

void CFlashToolDlg::OnClose() {
    if (m_tool.RequestClose())
        EndDialog(DialogEnd::Cancel);
}

void CFlashToolDlg::OnToolbarDropDown(const NMTOOLBARW& notification) {
    if (notification.iItem != cmd_id::ToolbarParam)
        return;
    HMENU menu = LoadMenuW(m_instance, MAKEINTRESOURCEW(IDR_PARAM_MENU));
    RECT button;
    SendMessageW(m_wndToolBar, TB_GETRECT, cmd_id::ToolbarParam, reinterpret_cast<LPARAM>(&button));
    MapWindowPoints(m_wndToolBar, HWND_DESKTOP, reinterpret_cast<POINT*>(&button), 2);
    TPMPARAMS exclude{sizeof(TPMPARAMS), button};
    // The chosen item arrives as an ordinary command.
    TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_VERTICAL, button.left,
                     button.bottom, m_hWnd, &exclude);
    DestroyMenu(menu);
}

} // namespace bf::win
