// The Windows window as its resources and OnInitDialog build it: controls, sizes, menus, toolbar
// and status bar. Sizes are checked in pixels from the dialog's own units, so a test fails when a
// control moves.
#include "tests/winapp/WindowFixture_win.h"
#include "tool/CommandIds.h"
#include "winapp/ResourceIds.h"

#include <commctrl.h>

namespace bf::test {
namespace {

using namespace cmd_id;

using LayoutTest = WindowTest;

TEST_F(LayoutTest, DialogHasItsCaptionStyleAndClientSize) {
    EXPECT_EQ(Text(Dialog()), L"BrenvaldorFlash v1.4.1148b");
    const LONG style = GetWindowLongW(Dialog(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongW(Dialog(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    RECT client;
    GetClientRect(Dialog(), &client);
    EXPECT_EQ(client, DialogRect(0, 0, 187, 182));
}

TEST_F(LayoutTest, ControlsSitWhereTheirDialogUnitsPutThem) {
    const struct {
        int id;
        const wchar_t* className;
        RECT units; // x, y, width, height
    } controls[] = {
        {Log, L"Edit", {7, 47, 173, 84}},
        {TimeLeft, L"Static", {9, 134, 173, 10}},
        {Progress, PROGRESS_CLASSW, {8, 145, 173, 10}},
        {Counter, L"Static", {8, 158, 36, 8}},
        {Percent, L"Static", {153, 158, 24, 8}},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.id);
        HWND control = Control(c.id);
        ASSERT_NE(control, nullptr);
        wchar_t name[64] = {};
        GetClassNameW(control, name, 64);
        EXPECT_EQ(_wcsicmp(name, c.className), 0) << name;
        EXPECT_EQ(ClientRectOf(control),
                  DialogRect(c.units.left, c.units.top, c.units.right, c.units.bottom));
    }
}

TEST_F(LayoutTest, LogPaneIsAReadOnlyScrollingEditAndThePercentIsRightAligned) {
    const LONG log = GetWindowLongW(Control(Log), GWL_STYLE);
    for (LONG bit : {ES_MULTILINE, ES_READONLY, ES_AUTOVSCROLL, WS_VSCROLL, WS_TABSTOP})
        EXPECT_TRUE(log & bit) << bit;
    EXPECT_EQ(GetWindowLongW(Control(Percent), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
    EXPECT_EQ(GetWindowLongW(Control(TimeLeft), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    EXPECT_EQ(GetWindowLongW(Control(Counter), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
}

TEST_F(LayoutTest, StatusGroupBoxFramesTheLogAndProgress) {
    HWND group = FindWindowExW(Dialog(), nullptr, L"Button", L"Status");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(GetWindowLongW(group, GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
    EXPECT_EQ(ClientRectOf(group), DialogRect(1, 36, 186, 135));
}

// The menu as (depth, text, id) rows; separators as an empty text with id 0, submenus with id -1.
using MenuRow = std::tuple<int, std::wstring, int>;
void ReadMenu(HMENU menu, int depth, std::vector<MenuRow>& rows) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        HMENU sub = GetSubMenu(menu, i);
        rows.emplace_back(depth, text, sub ? -1 : static_cast<int>(GetMenuItemID(menu, i)));
        if (sub)
            ReadMenu(sub, depth + 1, rows);
    }
}

TEST_F(LayoutTest, MainMenuHasTheItemsSeparatorsAndIdsOfTheTable) {
    std::vector<MenuRow> rows;
    ReadMenu(GetMenu(Dialog()), 0, rows);
    const std::vector<MenuRow> expected{
        {0, L"&File", -1},
        {1, L"&Open...", FileOpen},
        {1, L"&Close", FileClose},
        {1, L"", 0},
        {1, L"Save &As...", FileSaveAs},
        {1, L"Backup...", FileBackup},
        {1, L"", 0},
        {1, L"&Update", FileUpdate},
        {1, L"&Reset", FileReset},
        {1, L"", 0},
        {1, L"Parameter", -1},
        {2, L"Backup...", ParamBackup},
        {2, L"Update...", ParamUpdate},
        {2, L"Edit...", ParamEdit},
        {2, L"", 0},
        {2, L"Erase block", ParamErase},
        {1, L"", 0},
        {1, L"Abort", FileAbort},
        {1, L"", 0},
        {1, L"E&xit", FileExit},
        {0, L"&Setup", -1},
        {1, L"Port", -1},
        {2, L"AUTO", PortAuto},
        {2, L"", 0},
        {2, L"COM1:", PortCom1},
        {2, L"COM2:", PortCom2},
        {2, L"COM3:", PortCom3},
        {2, L"COM4:", PortCom4},
        {2, L"COM5:", PortCom5},
        {2, L"COM6:", PortCom6},
        {2, L"", 0},
        {2, L"9600", Baud9600},
        {2, L"19200", Baud19200},
        {2, L"38400", Baud38400},
        {2, L"57600", Baud57600},
        {1, L"Priority", -1},
        {2, L"Normal", PriorityNormal},
        {2, L"High", PriorityHigh},
        {1, L"DevMgmt", DevMgmt},
        {0, L"&Help", -1},
        {1, L"BrenvaldorFlash Help...", HelpDocument},
        {1, L"&About", About},
    };
    EXPECT_EQ(rows, expected);
}

TEST_F(LayoutTest, ParamMenuResourceHoldsBackupAndUpdate) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_PARAM_MENU));
    ASSERT_NE(menu, nullptr);
    std::vector<MenuRow> rows;
    ReadMenu(menu, 0, rows);
    DestroyMenu(menu);
    const std::vector<MenuRow> expected{
        {0, L"PARAM", -1}, {1, L"Backup...", PopupParamBackup}, {1, L"Update...", PopupParamUpdate}};
    EXPECT_EQ(rows, expected);
}

TEST_F(LayoutTest, SystemMenuEndsWithTheAboutItem) {
    HMENU menu = GetSystemMenu(Dialog(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 128, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&About BrenvaldorFlash...");
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
}

TEST_F(LayoutTest, ToolbarHasThreeButtonsWithTextsAndTheDropDownOnParam) {
    HWND bar = Window().ToolBar();
    ASSERT_EQ(GetDlgCtrlID(bar), ToolBar);
    ASSERT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 5);
    const struct {
        int id;
        const wchar_t* text;
        int image;
    } expected[] = {{ToolbarOpen, L"Open", 0},
                    {0, nullptr, 0},
                    {ToolbarUpdate, L"Update", 1},
                    {0, nullptr, 0},
                    {ToolbarParam, L"Param", 2}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        TBBUTTON b{};
        SendMessageW(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
        if (expected[i].text == nullptr) {
            EXPECT_TRUE(b.fsStyle & BTNS_SEP);
            continue;
        }
        EXPECT_EQ(b.idCommand, expected[i].id);
        EXPECT_EQ(b.iBitmap, expected[i].image);
        wchar_t text[32] = {};
        SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(b.idCommand),
                     reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, expected[i].text);
        EXPECT_EQ((b.fsStyle & BTNS_DROPDOWN) != 0, expected[i].id == ToolbarParam);
    }
    const LRESULT size = SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(LOWORD(size), 53);
    EXPECT_EQ(HIWORD(size), 53);
}

TEST_F(LayoutTest, ToolbarImagesComeFromTheStripsInFortyByThirtyThreeSlots) {
    HWND bar = Window().ToolBar();
    for (UINT message : {TB_GETIMAGELIST, TB_GETHOTIMAGELIST, TB_GETDISABLEDIMAGELIST}) {
        SCOPED_TRACE(message);
        auto list = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, message, 0, 0));
        ASSERT_NE(list, nullptr);
        int width = 0, height = 0;
        ImageList_GetIconSize(list, &width, &height);
        EXPECT_EQ(width, 40);
        EXPECT_EQ(height, 33);
        // 400 pixels of strip: ten slots, of which the buttons use the first three.
        EXPECT_EQ(ImageList_GetImageCount(list), 10);
    }
}

TEST_F(LayoutTest, ToolbarLiesInTheBandAboveTheStatusGroup) {
    const RECT bar = ClientRectOf(Window().ToolBar());
    EXPECT_EQ(bar.left, 2);
    EXPECT_EQ(bar.top, 2);
    EXPECT_EQ(bar.bottom, DialogRect(0, 0, 0, 36).bottom);
}

TEST_F(LayoutTest, StatusBarHasThreePanesAlongTheBottom) {
    HWND bar = Window().StatusBar();
    ASSERT_EQ(GetDlgCtrlID(bar), StatusBar);
    int edges[3] = {};
    ASSERT_EQ(SendMessageW(bar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)), 3);
    RECT client;
    GetClientRect(Dialog(), &client);
    // Text widths 40 and 70, with 3 pixels of border on either side of each pane.
    EXPECT_EQ(edges[1] - edges[0], 46);
    EXPECT_EQ(edges[0], client.right - 122);
    EXPECT_EQ(edges[2], -1);
    EXPECT_EQ(ClientRectOf(bar).bottom, client.bottom);
    wchar_t text[64] = {};
    for (int pane : {0, 1}) {
        SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, L" ");
    }
    EXPECT_TRUE(HIWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, 0, 0)) & SBT_NOBORDERS);
}

} // namespace
} // namespace bf::test
