// CFileDialog: the file-open (or save) dialog, over Qt's file dialog.
//
// The dialog is built from the platform's arguments: the filter in its '|' form
// ("TQV(*.tqv)|*.tqv||": display text, '|', patterns separated by ';', '|', and so on, ending in
// "||"), each entry shown by its display text alone; a default extension that a typed name without
// extension receives; OFN_ALLOWMULTISELECT for picking several files at once. The result is held
// by the object itself, with no limit on the number or length of the paths, so there is no name
// buffer to size. After DoModal answered IDOK, GetStartPosition and GetNextPathName walk the
// picked files as full paths, in the order the dialog gave them.
//
// The folder shown first is the one of the previous pick in this run, else the current directory.
// The dialog is modal over the given parent, else over the application's main window. GUI thread
// only.
#pragma once

#include <string>
#include <vector>

#include "classlayer/WindowTypes.h"

class CDialog;

// Flags of the file dialog that this stand-in honours; others are accepted and ignored.
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002u;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004u;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200u;

// A position in a walk over the picked files; null after the last one.
using POSITION = const void*;

class CFileDialog {
 public:
  // openFileDialog: true for an open dialog (existing files), false for a save dialog.
  // defaultExt: without the dot ("tqv"), or null. fileName: the name shown at first, or null.
  // filter: the '|' form above, or null for every file. parent: see the class comment.
  // structSize and vistaStyle are the platform's and change nothing here.
  explicit CFileDialog(bool openFileDialog, const wchar_t* defaultExt = nullptr,
                       const wchar_t* fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       const wchar_t* filter = nullptr, CDialog* parent = nullptr,
                       DWORD structSize = 0, bool vistaStyle = true);
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  // Shows the dialog; IDOK when the operator confirmed a choice, IDCANCEL otherwise.
  INT_PTR DoModal();

  // The first picked file's position, or null when nothing was picked.
  POSITION GetStartPosition() const;
  // The full path at pos; pos moves on to the next file, or becomes null after the last one. An
  // invalid or null pos answers the empty text and becomes null.
  std::wstring GetNextPathName(POSITION& pos) const;
  // The first picked file's full path, or the empty text.
  std::wstring GetPathName() const;

  // The filter entries as Qt shows and matches them ("TQV(*.tqv) (*.tqv)"), for tests.
  static std::vector<std::wstring> QtNameFilters(const wchar_t* filter);

 private:
  bool m_bOpen;
  std::wstring m_strDefExt;
  std::wstring m_strFileName;
  DWORD m_dwFlags;
  std::vector<std::wstring> m_filters;  // Qt's form, see QtNameFilters
  CDialog* m_pParent;
  std::vector<std::wstring> m_paths;  // the result of the last DoModal
};
