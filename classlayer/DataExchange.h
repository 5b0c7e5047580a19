// Dialog data exchange: DoDataExchange binds controls to members (DDX_Control) and moves values
// between members and controls (DDX_Text), in one direction per pass.
//
// When saving (UpdateData(true)) a value that does not parse makes the exchange fail: the operator
// is told why, the offending control gets the focus, and the remaining fields of the pass are
// left alone. Nothing is thrown. GUI thread only.
#pragma once

#include <cstdint>
#include <string>

class CDialog;
class CWnd;

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, bool saveAndValidate)
      : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

  CDialog* const m_pDlgWnd;
  const bool m_bSaveAndValidate;  // true: controls to members; false: members to controls

  void Fail() { m_bFailed = true; }
  bool Failed() const { return m_bFailed; }

 private:
  bool m_bFailed = false;
};

// Attaches control to the dialog's control id (once; later passes leave it attached).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// An unsigned 64-bit number as decimal text. Saving accepts digits with optional blanks around
// them and refuses anything else (a sign, other characters, an empty text, a value above 2^64 - 1)
// with the message "请输入一个正整数。"; value is left unchanged then.
void DDX_Text(CDataExchange* pDX, int id, std::uint64_t& value);

// The parse that DDX_Text uses when saving; answers false for a text it refuses.
bool ParseUnsigned64(const std::wstring& text, std::uint64_t* value);
