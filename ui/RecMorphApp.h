// CRecMorphApp: the application object of the dialog program, and the program's start-up.
//
// Start-up order, all on the main thread:
//  1. static initialisation installs the crash-dump filter (CrashDumpFilter.h);
//  2. next in the same initialisation, the global application object theApp is constructed;
//  3. main() calls RunRecMorphApp, the platform's start-up (AfxWinMain), which calls InitInstance:
//     the common controls, the base's start-up, control containers, the registry-key name (kept
//     and used nowhere: the program keeps no settings), and then the main dialog, run modally
//     with the files named on the command line listed. When the dialog has ended, InitInstance
//     answers false and the program ends without a message loop of its own.
#pragma once

#include "classlayer/WinApp.h"

class CRecMorphApp : public CWinAppEx {
 public:
  CRecMorphApp();
  bool InitInstance() override;
};

// The one application object.
extern CRecMorphApp theApp;

// The program's start-up (step 3 above). argv holds the program's name and the files to list;
// Qt's own options are taken out first. Answers the exit code. Main thread, once.
int RunRecMorphApp(int argc, char** argv);

// Whether the crash-dump filter was already installed when theApp was constructed.
bool CrashFilterPrecededApp();

// The registry-key name that InitInstance sets.
inline constexpr wchar_t kRegistryKey[] = L"应用程序向导生成的本地应用程序";
