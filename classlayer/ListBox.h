// CListBox: a list of plain text lines with at most one selected line.
//
// Lines are placed where InsertString says and never re-sorted. No horizontal extent is kept, so
// a line wider than the box is cut at its edge; GetText still gives it whole. GUI thread only.
#pragma once

#include <string>

#include "classlayer/Wnd.h"

class QListWidget;

class CListBox : public CWnd {
 public:
  void Attach(QWidget* widget, int id) override;

  int GetCount() const;
  // Inserts text before line index (-1 or past the end: at the end); answers its index or LB_ERR.
  int InsertString(int index, const std::wstring& text);
  // The selected line's index, or LB_ERR with no selection.
  int GetCurSel() const;
  // Selects line index (LB_ERR, or -1, clears the selection); answers LB_ERR for a bad index.
  int SetCurSel(int index);
  // The whole text of line index; empty for a bad index.
  std::wstring GetText(int index) const;

 private:
  QListWidget* List() const;
};
