// CWnd: a handle on one control of a dialog. It does not own the control; the dialog does.
//
// A CWnd is attached to its control when the dialog's window is created and detached when the
// window is destroyed. Every call on a detached CWnd does nothing and answers the empty value, so
// a handle kept past its window is harmless. Calls are for the dialog's (GUI) thread only; other
// threads go through CDialog::CallOnGuiThread.
#pragma once

#include <string>

#include <QPointer>
#include <QWidget>

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = default;
  CWnd& operator=(const CWnd&) = default;

  // Attaches the handle to a control, or detaches it (nullptr).
  virtual void Attach(QWidget* widget, int id);
  void Detach() { Attach(nullptr, 0); }

  QWidget* GetSafeHwnd() const { return m_pWidget.data(); }
  bool IsAttached() const { return !m_pWidget.isNull(); }
  int GetDlgCtrlID() const { return m_nID; }

  void EnableWindow(bool enable);
  bool IsWindowEnabled() const;
  void SetWindowText(const std::wstring& text);
  std::wstring GetWindowText() const;

 private:
  QPointer<QWidget> m_pWidget;  // guarded: becomes null when Qt destroys the control
  int m_nID = 0;
};
