#include "ui/AboutDlg.h"

#include "res/Templates.h"
#include "res/resource.h"

namespace {

const CDialogTemplate& AboutTemplate() {
  InitProgramResources();
  return *FindDialogTemplate(IDD_ABOUTBOX);
}

}  // namespace

CAboutDlg::CAboutDlg(CDialog* parent) : CDialog(AboutTemplate(), parent) {}
