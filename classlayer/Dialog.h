// CDialog: a dialog window built from a CDialogTemplate, with a message map, data exchange,
// timers, a system-menu substitute, and message posting from any thread.
//
// Life of a dialog: the constructor only records the template. DoModal() (or Create() for a
// modeless window) builds the window and its controls in template order, which is also the tab
// order, with the template's geometry converted through the font's dialog units; then it runs
// OnInitDialog(). The window ends through EndDialog(); DestroyWindow() (DoModal does it) sends
// WM_DESTROY and then deletes the window. A derived class whose OnDestroy matters must call
// DestroyWindow() in its own destructor, since the base destructor can no longer reach it.
//
// Threads. Everything runs on the thread that created the window (the GUI thread), except:
//  - PostMessage: any thread. The message is queued and handled on the GUI thread; messages keep
//    the order they were posted in. A message that can never be handled (no window, or the window
//    is destroyed first) is dropped: its drop function runs then, so a payload is never lost.
//  - CallOnGuiThread: any thread. Runs a call on the GUI thread and waits until it has run,
//    queued behind the messages posted before it. Deadlock freedom: DestroyWindow first closes
//    the dialog to such calls, which wakes every caller still waiting and refuses new ones
//    (CallOnGuiThread answers false and the call never runs); only then does WM_DESTROY run. So
//    an OnDestroy that waits for other threads to finish never waits for a thread that waits for
//    the GUI thread. Outside teardown the GUI thread must not block on a thread that makes these
//    calls.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QIcon>

#include "classlayer/DialogTemplate.h"
#include "classlayer/DialogUnits.h"
#include "classlayer/Menu.h"
#include "classlayer/MessageMap.h"
#include "classlayer/WindowTypes.h"
#include "classlayer/Wnd.h"

class CDataExchange;
class CDialogWindow;
class QWidget;

class CDialog {
 public:
  // parent: the dialog this one is modal over, or null for a top-level dialog.
  explicit CDialog(const CDialogTemplate& dialogTemplate, CDialog* parent = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Builds the window, runs it modally and destroys it; answers the EndDialog result, or -1 when
  // the window could not be made.
  INT_PTR DoModal();
  // Builds the window and runs OnInitDialog without a modal loop; shows it when the template has
  // WS_VISIBLE. Answers false when the window already exists or OnInitDialog refused.
  bool Create();
  // Closes calls from other threads, sends WM_DESTROY, deletes the window. Not from a handler.
  void DestroyWindow();
  // Ends the dialog with result (the modal loop returns it; a modeless window is hidden).
  void EndDialog(int result);
  // The result given to EndDialog; -1 before.
  int GetResult() const { return m_nResult; }

  // Data exchange over DoDataExchange: true copies controls to members (and may fail, answering
  // false), false members to controls.
  bool UpdateData(bool saveAndValidate = true);

  QWidget* GetSafeHwnd() const;
  const CDialogTemplate& GetTemplate() const { return m_template; }
  CDialogBaseUnits GetBaseUnits() const { return m_units; }
  // A handle on the first control with this id (detached when there is none).
  CWnd GetDlgItem(int id) const;
  // Every control in template order (statics included), for layout checks.
  const std::vector<QWidget*>& GetControls() const { return m_controls; }
  // Attaches control to the control id; the handle goes inert by itself when the window goes.
  void AttachControl(int id, CWnd& control);

  // Any thread; see the class comment. Answers false (after running drop) when the message was
  // dropped at once.
  bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                   std::function<void()> drop = {});
  // GUI thread: handles the message now, through the message map.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Any thread; see the class comment. Answers true when call has run.
  bool CallOnGuiThread(const std::function<void()>& call);

  // A timer that sends WM_TIMER with wParam id every elapse milliseconds; answers id, or 0.
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
  bool KillTimer(UINT_PTR id);

  // A message box owned by this dialog (MessageBox.h).
  int MessageBox(const std::wstring& text, const std::wstring& caption, UINT type = MB_OK);

  // The system menu when the template has WS_SYSMENU, else null. It starts with the window
  // commands "移动(&M)" (SC_MOVE) and "关闭(&C)" (SC_CLOSE); revert resets it to them.
  CMenu* GetSystemMenu(bool revert);
  // Shows the system-menu substitute at a global position (the dialog's context menu does this).
  void ShowSystemMenu(int globalX, int globalY);

  void SetIcon(const QIcon& icon, bool bigIcon);
  QIcon GetIcon(bool bigIcon) const { return bigIcon ? m_iconBig : m_iconSmall; }
  bool IsIconic() const;
  // Paints icon at (x, y) of the client area; only while WM_PAINT is being handled.
  void DrawIcon(int x, int y, const QIcon& icon);

 protected:
  virtual bool OnInitDialog();
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual void OnOK();
  virtual void OnCancel();
  virtual const CMessageMap* GetMessageMap() const;
  // Called on the GUI thread as DestroyWindow begins, while synchronous calls from other threads
  // are still served. A dialog whose threads make such calls asks them to stop here, so that none
  // of them acts on a call that teardown refuses.
  virtual void OnWindowClosing() {}

  // Default handlers: a derived handler calls these for the base behaviour.
  void OnDestroy() {}
  void OnPaint() {}
  void OnSize(UINT, int, int) {}
  void OnTimer(UINT_PTR) {}
  void OnSysCommand(UINT id, LPARAM lParam);
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  friend class CDialogWindow;
  struct SyncCall;

  bool CreateWindowAndInit();
  void RunSyncCall(const std::shared_ptr<SyncCall>& call, const std::function<void()>& fn);
  void OnQtTimer(int qtTimerId);
  bool IsGuiThread() const;

  CDialogTemplate m_template;
  CDialog* m_pParent;
  CDialogBaseUnits m_units{1, 1};
  int m_nResult = -1;
  bool m_bModal = false;

  mutable std::mutex m_csWindow;       // guards m_pWindow and m_idGuiThread
  CDialogWindow* m_pWindow = nullptr;  // owned; null before Create and after DestroyWindow
  std::thread::id m_idGuiThread;

  std::mutex m_csSyncCalls;  // guards m_bSyncCallsOpen and every SyncCall's flags
  std::condition_variable m_cvSyncCalls;
  bool m_bSyncCallsOpen = false;

  // GUI thread only:
  std::vector<QWidget*> m_controls;
  std::map<int, QWidget*> m_controlById;
  std::map<int, UINT_PTR> m_timerByQtId;
  CMenu m_sysMenu;
  QIcon m_iconBig;
  QIcon m_iconSmall;
  bool m_bInPaint = false;  // true while WM_PAINT is being handled
  bool m_bEnded = false;    // EndDialog ran since the window was made
};
