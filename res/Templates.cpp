#include "res/Templates.h"

#include <QtCore/qglobal.h>

#include "classlayer/Resources.h"
#include "res/resource.h"

namespace {

constexpr DWORD kEditStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

const CDialogTemplate& MainDialog() {
  static const CDialogTemplate tpl{
      IDD_RECMORPH_DIALOG,
      L"视频归档助手V3.1-20171110",
      419,
      252,
      L"MS Shell Dlg",
      9,
      WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
      WS_EX_APPWINDOW,
      {
          {IDC_LIST_LOG, ControlKind::ListBox, L"",
           WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT |
               LBS_NOINTEGRALHEIGHT,
           7, 149, 405, 96},
          {IDC_BTN_SELECT, ControlKind::PushButton, L"选择文件", WS_TABSTOP, 280, 7, 50, 14},
          {IDC_BTN_CONVERT, ControlKind::PushButton, L"转码", WS_TABSTOP, 280, 21, 50, 14},
          {IDC_LIST_FILES, ControlKind::ListView, L"",
           WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_ALIGNLEFT, 7, 7, 273, 132},
          {IDC_BTN_DELETE, ControlKind::PushButton, L"删除", WS_TABSTOP, 280, 36, 50, 14},
          {IDC_BTN_CLEAR, ControlKind::PushButton, L"清空", WS_TABSTOP, 280, 50, 50, 14},
          {IDC_STATIC, ControlKind::GroupBox, L"系统内存信息", 0, 282, 69, 130, 69},
          {IDC_STATIC, ControlKind::StaticText, L"总内存:", WS_GROUP, 289, 83, 24, 8},
          {IDC_STATIC, ControlKind::StaticText, L"可用内存:", WS_GROUP, 289, 101, 31, 8},
          {IDC_STATIC, ControlKind::StaticText, L"空闲内存:", WS_GROUP, 289, 118, 31, 8},
          {IDC_EDIT_AVAIL_MEM, ControlKind::Edit, L"", kEditStyle, 327, 100, 50, 12},
          {IDC_EDIT_TOTAL_MEM, ControlKind::Edit, L"", kEditStyle, 327, 83, 51, 12},
          {IDC_EDIT_FREE_MEM, ControlKind::Edit, L"", kEditStyle, 326, 117, 51, 12},
          {IDC_STATIC, ControlKind::StaticText, L"(MB)", WS_GROUP, 385, 84, 16, 8},
          {IDC_STATIC, ControlKind::StaticText, L"(MB)", WS_GROUP, 385, 101, 16, 8},
          {IDC_STATIC, ControlKind::StaticText, L"(%)", WS_GROUP, 387, 119, 14, 8},
      }};
  return tpl;
}

const CDialogTemplate& AboutBox() {
  static const CDialogTemplate tpl{
      IDD_ABOUTBOX,
      L"关于 RecMorph",
      170,
      62,
      L"MS Shell Dlg",
      9,
      WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
      0,
      {
          {IDC_STATIC, ControlKind::StaticIcon, L"128", SS_ICON, 14, 14, 20, 20},
          {IDC_STATIC, ControlKind::StaticText, L"RecMorph，3.1 版", WS_GROUP | SS_NOPREFIX, 42, 14,
           114, 8},
          {IDC_STATIC, ControlKind::StaticText, L"把 TQV 录像转换成 AVI 文件", WS_GROUP, 42, 26,
           114, 8},
          {IDOK, ControlKind::PushButton, L"确定", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 113,
           41, 50, 14},
      }};
  return tpl;
}

}  // namespace

const CDialogTemplate* FindDialogTemplate(int id) {
  switch (id) {
    case IDD_ABOUTBOX:
      return &AboutBox();
    case IDD_RECMORPH_DIALOG:
      return &MainDialog();
    default:
      return nullptr;
  }
}

void InitProgramResources() {
  Q_INIT_RESOURCE(recmorph);
  SetStringTable({{IDS_ABOUTBOX, L"关于 RecMorph(&A)..."}});
}
