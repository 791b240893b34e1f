#pragma once

// Resource ids of the Windows window, for the resource script and the code alike (plain defines:
// the resource compiler reads this file too).
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_BRENVALDORFLASH_DIALOG 102
#define IDR_MAINMENU 131
#define IDR_MAINFRAME 134
#define IDB_TOOLBAR 139
#define IDB_TOOLBAR_DISABLED 140
#define IDR_PARAM_MENU 147
#define IDM_ABOUTBOX 16
#define IDC_STATIC (-1)
