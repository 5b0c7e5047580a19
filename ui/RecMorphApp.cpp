#include "ui/RecMorphApp.h"

#include <cstdio>
#include <string>
#include <vector>

#include "kernel/text_conv.h"
#include "ui/CrashDumpFilter.h"
#include "ui/RecMorphDlg.h"
#include "ui/RecordingPaths.h"

namespace {

// Both definitions stay in this order in this file: C++ initialises the objects of one
// translation unit in the order of their definitions, so the filter is installed before the
// application object exists.
const bool g_bCrashFilterInstalled = (InstallCrashDumpFilter(), true);

// Written by theApp's constructor during static initialisation, read later; main thread only.
bool g_bCrashFilterBeforeApp = false;

}  // namespace

CRecMorphApp theApp;

CRecMorphApp::CRecMorphApp() : CWinAppEx(true) {
  g_bCrashFilterBeforeApp = g_bCrashFilterInstalled && IsCrashDumpFilterInstalled();
}

bool CRecMorphApp::InitInstance() {
  INITCOMMONCONTROLSEX initCtrls{};
  initCtrls.dwSize = sizeof(initCtrls);
  initCtrls.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&initCtrls);

  CWinAppEx::InitInstance();
  AfxEnableControlContainer(nullptr);
  SetRegistryKey(kRegistryKey);

  // The files named on the command line; a name that gives no recording is reported and skipped.
  std::vector<std::wstring> rejected;
  std::vector<std::wstring> paths = ExpandRecordingPaths(GetArguments(), false, &rejected);
  for (const std::wstring& name : rejected) {
    std::fprintf(stderr, "recmorph: %s: no such file, or a folder without *.tqv recordings\n",
                 kernel::WideToNarrow(name).value_or("?").c_str());
  }

  CRecMorphDlg dlg;
  dlg.SetInitialPaths(std::move(paths));
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return false;
}

int RunRecMorphApp(int argc, char** argv) {
  return AfxWinMain(argc, argv);
}

bool CrashFilterPrecededApp() {
  return g_bCrashFilterBeforeApp;
}
