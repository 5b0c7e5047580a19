// CListCtrl: a report-style list view (rows of text cells under column headers).
//
// Each row has a text per column and one pointer-sized item data value that the list stores but
// never interprets; whoever puts data there owns what it points to. Column formats (left, centre,
// right) apply to the header and to every cell of the column. Rows keep the order they were
// inserted in; the list is never sorted. GUI thread only (see CWnd).
#pragma once

#include <string>

#include "classlayer/WindowTypes.h"
#include "classlayer/Wnd.h"

class QTableWidget;

class CListCtrl : public CWnd {
 public:
  // Attaches to a QTableWidget made by CDialog for a ListView control; styles are the template's.
  void Attach(QWidget* widget, int id) override;

  // LVS_EX_GRIDLINES draws the grid; LVS_EX_FULLROWSELECT selects whole rows (else single cells).
  void SetExtendedStyle(DWORD exStyle);
  DWORD GetExtendedStyle() const { return m_dwExStyle; }

  // Inserts a column at index col with a header text, a format (LVCFMT_*) and a width in pixels.
  // Answers the new column's index, or -1.
  int InsertColumn(int col, const std::wstring& heading, int format, int width);
  int GetColumnCount() const;
  int GetColumnWidth(int col) const;
  int GetColumnFormat(int col) const;
  std::wstring GetColumnHeading(int col) const;

  int GetItemCount() const;
  // Inserts a row at index row (clamped to the end) with text in column 0; answers its index.
  int InsertItem(int row, const std::wstring& text);
  bool DeleteItem(int row);
  bool DeleteAllItems();

  std::wstring GetItemText(int row, int col) const;
  bool SetItemText(int row, int col, const std::wstring& text);
  DWORD_PTR GetItemData(int row) const;
  bool SetItemData(int row, DWORD_PTR data);

  // LVNI_SELECTED from start + 1 onward: the next selected row, or -1.
  int GetNextItem(int start, UINT flags) const;
  // Selects row (or clears the selection with -1). The list holds at most one selected row.
  void SetSelectedRow(int row);

 private:
  QTableWidget* Table() const;
  DWORD m_dwExStyle = 0;
};
