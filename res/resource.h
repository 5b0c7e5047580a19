// Resource numbers: dialog templates, controls, icons, strings and menu commands.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_RECMORPH_DIALOG 102

// Icons.
#define IDR_MAINFRAME 128

// Strings.
#define IDS_ABOUTBOX 101

// System-menu commands.
#define IDM_ABOUTBOX 0x0010

// Controls of IDD_RECMORPH_DIALOG.
#define IDC_LIST_LOG 1001
#define IDC_BTN_SELECT 1002
#define IDC_BTN_CONVERT 1003
#define IDC_LIST_FILES 1004
#define IDC_BTN_DELETE 1005
#define IDC_BTN_CLEAR 1006
#define IDC_EDIT_AVAIL_MEM 1007
#define IDC_EDIT_TOTAL_MEM 1008
#define IDC_EDIT_FREE_MEM 1009
