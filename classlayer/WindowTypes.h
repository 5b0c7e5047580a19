// The handful of window-system types, message numbers and style bits that the class layer and the
// dialogs built on it share. The numbers are those that the dialogs' templates and message maps
// are written in; only the class layer gives them meaning.
#pragma once

#include <cstdint>

using UINT = unsigned int;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;

constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high) {
  return static_cast<WPARAM>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
constexpr unsigned LOWORD(WPARAM w) {
  return static_cast<unsigned>(w & 0xFFFFu);
}
constexpr unsigned HIWORD(WPARAM w) {
  return static_cast<unsigned>((w >> 16) & 0xFFFFu);
}

// Messages.
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;

// Notification codes carried in the high word of WM_COMMAND's wParam.
constexpr UINT BN_CLICKED = 0;
constexpr UINT LBN_DBLCLK = 2;

// System commands.
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_CLOSE = 0xF060;

// Dialog results and the id of static controls.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_STATIC = -1;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_HSCROLL = 0x00100000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000u;

// Dialog styles.
constexpr DWORD DS_FIXEDSYS = 0x0008u;
constexpr DWORD DS_SETFONT = 0x0040u;
constexpr DWORD DS_MODALFRAME = 0x0080u;

// Control styles.
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001u;
constexpr DWORD SS_ICON = 0x0003u;
constexpr DWORD SS_NOPREFIX = 0x0080u;
constexpr DWORD ES_AUTOHSCROLL = 0x0080u;
constexpr DWORD ES_READONLY = 0x0800u;
constexpr DWORD LBS_NOTIFY = 0x0001u;
constexpr DWORD LBS_SORT = 0x0002u;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100u;
constexpr DWORD LVS_REPORT = 0x0001u;
constexpr DWORD LVS_SINGLESEL = 0x0004u;
constexpr DWORD LVS_ALIGNLEFT = 0x0800u;

// List-view extended styles, column formats and item states.
constexpr DWORD LVS_EX_GRIDLINES = 0x0001u;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020u;
constexpr int LVCFMT_LEFT = 0x0000;
constexpr int LVCFMT_RIGHT = 0x0001;
constexpr int LVCFMT_CENTER = 0x0002;
constexpr UINT LVNI_SELECTED = 0x0002u;

// List-box answers.
constexpr int LB_ERR = -1;

// Message-box types and answers.
constexpr UINT MB_OK = 0x0000u;
constexpr UINT MB_ICONERROR = 0x0010u;
constexpr UINT MB_ICONQUESTION = 0x0020u;
constexpr UINT MB_ICONWARNING = 0x0030u;
constexpr UINT MB_ICONINFORMATION = 0x0040u;

// Menu item flags.
constexpr UINT MF_STRING = 0x0000u;
constexpr UINT MF_SEPARATOR = 0x0800u;
