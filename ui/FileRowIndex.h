// CFileRowIndex: what the file list needs to know about its rows quickly, kept beside the rows.
//
// The file list's rules scan every row: a status posted for a name goes to the first row whose
// name, lowercased and cut before its first ".tqv", equals the lowercased name; a file is not
// added when a row already bears its name, compared without regard to case. With a thousand rows
// and thousands of statuses a second those scans would stall the GUI thread, so this index
// answers both questions from hash tables and gives exactly the scans' answers (the row keys are
// computed once, under the same process locale).
//
// It also keeps the rule that makes a row's final status final: while a batch converts a row
// (BeginRow), statuses change only that row; once the row is finished (FinishRow), no status
// changes it any more until it is begun again.
//
// The owner mirrors every change of its rows here (append, remove, clear). GUI thread only (or
// whichever single thread owns the rows).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CFileRowIndex {
 public:
  // Wide lowercase conversion of every character under the process locale (towlower).
  static std::wstring Lower(std::wstring_view text);
  // The status key of a row's name: lowercased and cut before its first ".tqv"; empty when the
  // name holds no ".tqv" or starts with it.
  static std::wstring StatusKey(std::wstring_view name);
  // Splits a full path at its last '/': folder keeps the '/', name is what follows. A path without
  // '/' is all name, with an empty folder.
  static void SplitPath(std::wstring_view path, std::wstring* folder, std::wstring* name);

  int Count() const { return static_cast<int>(m_rows.size()); }
  // Whether some row bears name, compared without regard to case.
  bool ContainsName(std::wstring_view name) const;
  // The first row that a status posted for name selects, or -1.
  int FindStatusRow(std::wstring_view name) const;

  void Append(std::wstring_view name);
  void Remove(int row);
  void Clear();

  // The batch starts converting row: it alone takes statuses until FinishRow.
  void BeginRow(int row);
  // The batch has finished row: its status is final.
  void FinishRow(int row);
  // Whether a posted status may change row: not final, and the row being converted if any is.
  bool AcceptsStatus(int row) const;
  int ActiveRow() const { return m_nActiveRow; }

 private:
  struct Row {
    std::wstring lowerName;
    std::wstring key;
    bool final = false;
  };
  void Rebuild();

  std::vector<Row> m_rows;
  std::unordered_map<std::wstring, std::vector<int>> m_rowsByKey;  // rows ascending
  std::unordered_map<std::wstring, int> m_nameCount;               // lowercased names
  int m_nActiveRow = -1;
};
