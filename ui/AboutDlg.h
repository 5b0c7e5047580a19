// CAboutDlg: the About box, dialog template IDD_ABOUTBOX: the program's icon, "RecMorph，3.1 版",
// one line on what the program does, and "确定". It has no members and no handlers of its own;
// OK, Enter, Escape and the close box end it, and it changes nothing. Modal over parent when one
// is given. GUI thread only.
#pragma once

#include "classlayer/Dialog.h"

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(CDialog* parent = nullptr);
};
