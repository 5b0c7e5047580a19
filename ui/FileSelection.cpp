// CRecMorphDlg's file selection: the 选择文件 button, files dropped on the file list, and the files
// named on the command line. All three add rows through AddRecordingPath and so follow one rule:
// a file whose name a row already bears, without regard to case, is skipped without a message.
#include <string>
#include <utility>
#include <vector>

#include "classlayer/DropFiles.h"
#include "classlayer/FileDialog.h"
#include "res/resource.h"
#include "ui/RecMorphDlg.h"
#include "ui/RecordingPaths.h"

void CRecMorphDlg::OnBnClickedSelect() {
  // An open dialog for several files at once. It keeps the picked paths itself, with no limit on
  // their number or length, so there is no name buffer to hand it.
  CFileDialog dlg(true, L"tqv", nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT,
                  L"TQV(*.tqv)|*.tqv||", nullptr, 0, true);
  if (dlg.DoModal() != IDOK) return;
  // Every picked file is compared with every row, those added earlier in this walk included.
  for (POSITION pos = dlg.GetStartPosition(); pos != nullptr;) {
    AddRecordingPath(dlg.GetNextPathName(pos));
  }
}

void CRecMorphDlg::SetInitialPaths(std::vector<std::wstring> paths) {
  m_initialPaths = std::move(paths);
}

bool CRecMorphDlg::AcceptsDrops() {
  // Drops follow the select button: refused while a batch runs.
  return !IsBatchRunning() && GetDlgItem(IDC_BTN_SELECT).IsWindowEnabled();
}

void CRecMorphDlg::InitFileSelection() {
  DragAcceptFiles(*this, m_listFiles, true, [this] { return AcceptsDrops(); });
  for (const std::wstring& path : std::exchange(m_initialPaths, {})) AddRecordingPath(path);
}

LRESULT CRecMorphDlg::OnDropFiles(WPARAM wParam, LPARAM) {
  auto drop = reinterpret_cast<HDROP>(wParam);
  if (AcceptsDrops()) {
    std::vector<std::wstring> names;
    const UINT count = DragQueryFile(drop, 0xFFFFFFFFu, nullptr);
    for (UINT i = 0; i < count; ++i) {
      std::wstring name;
      if (DragQueryFile(drop, i, &name) > 0) names.push_back(std::move(name));
    }
    // As in the file dialog's filter, only *.tqv files are taken; a folder brings its own.
    for (const std::wstring& path : ExpandRecordingPaths(names, true, nullptr)) {
      AddRecordingPath(path);
    }
  }
  DragFinish(drop);
  return 0;
}
