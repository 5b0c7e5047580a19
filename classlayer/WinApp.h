// CWinApp: the application object, and AfxWinMain, the start-up that runs it.
//
// A program has one global application object, a class derived from CWinApp (or CWinAppEx). Its
// constructor, which runs during static initialisation, registers it (AfxGetApp). The program's
// main() then calls AfxWinMain, which does what the platform's start-up code does: it makes the Qt
// application, sets the program's icon (resource IDR_MAINFRAME, 128) for all of its windows and
// the taskbar, and calls InitInstance. When InitInstance answers false, as a dialog application's
// does once its modal dialog has ended, the program ends there with ExitInstance's code; when it
// answers true, the message loop runs until the last window closes.
//
// Everything here is for the GUI thread, the thread that runs main().
#pragma once

#include <string>
#include <vector>

#include "classlayer/WindowTypes.h"

class CDialog;

class CWinApp {
 public:
  // appName: the program's name for its windows and desktop entry; null takes the executable's.
  explicit CWinApp(const wchar_t* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // The program's start-up; the base does nothing and answers true (go on to the message loop).
  virtual bool InitInstance();
  // Runs when the program ends; answers its exit code (0).
  virtual int ExitInstance();

  // Names the key under which the platform would keep the program's settings. The name is kept
  // and used nowhere: nothing here stores settings.
  void SetRegistryKey(const wchar_t* key);
  const std::wstring& GetRegistryKey() const { return m_strRegistryKey; }

  // ID_HELP: there is no help file on this platform, so it does nothing.
  void OnHelp() {}

  // The arguments after the program's name, with Qt's own options taken out; set by AfxWinMain.
  const std::vector<std::wstring>& GetArguments() const { return m_arguments; }

  // The program's main window while it runs, or null; the owner of dialogs without a parent.
  CDialog* m_pMainWnd = nullptr;

 private:
  friend int AfxWinMain(int argc, char** argv);
  std::wstring m_strAppName;
  std::wstring m_strRegistryKey;
  std::vector<std::wstring> m_arguments;
};

// CWinAppEx adds nothing that the stand-in needs; resourceSmartUpdate is recorded only.
class CWinAppEx : public CWinApp {
 public:
  explicit CWinAppEx(bool resourceSmartUpdate = false)
      : m_bResourceSmartUpdate(resourceSmartUpdate) {}
  bool m_bResourceSmartUpdate;
};

// The registered application object, or null before its constructor and after its destructor.
CWinApp* AfxGetApp();

// The start-up (see the class comment). Answers the program's exit code; -1 when there is no
// application object. Uses the Qt application that exists, or makes one for the call.
int AfxWinMain(int argc, char** argv);

// The common controls: Qt's widgets need no registration; the call checks the structure's size
// (8 bytes) as the platform does and answers whether it was right.
struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
constexpr DWORD ICC_WIN95_CLASSES = 0x000000FFu;
bool InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

// Control containers do not exist here; kept for the start-up's order. Answers nothing.
void AfxEnableControlContainer(void* siteManager = nullptr);
