#include "classlayer/FileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>
#include <cstdint>

#include "classlayer/Dialog.h"
#include "classlayer/WinApp.h"

namespace {

// The folder of the previous pick in this run; GUI thread only.
QString& LastFolder() {
  static QString folder;
  return folder;
}

QWidget* OwnerWindow(CDialog* parent) {
  if (parent != nullptr && parent->GetSafeHwnd() != nullptr) return parent->GetSafeHwnd();
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr) {
    if (QWidget* main = app->m_pMainWnd->GetSafeHwnd()) return main;
  }
  return QApplication::activeWindow();
}

}  // namespace

CFileDialog::CFileDialog(bool openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName,
                         DWORD flags, const wchar_t* filter, CDialog* parent, DWORD, bool)
    : m_bOpen(openFileDialog),
      m_strDefExt(defaultExt != nullptr ? defaultExt : L""),
      m_strFileName(fileName != nullptr ? fileName : L""),
      m_dwFlags(flags),
      m_filters(QtNameFilters(filter)),
      m_pParent(parent) {}

std::vector<std::wstring> CFileDialog::QtNameFilters(const wchar_t* filter) {
  std::vector<std::wstring> out;
  if (filter == nullptr) return out;
  // Pairs of display text and patterns, each ended by '|'; an empty display text ends the list.
  std::vector<std::wstring> parts;
  std::wstring current;
  for (const wchar_t* p = filter; *p != L'\0'; ++p) {
    if (*p == L'|') {
      parts.push_back(current);
      current.clear();
    } else {
      current += *p;
    }
  }
  if (!current.empty()) parts.push_back(current);
  for (std::size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) {
    std::wstring patterns = parts[i + 1];
    for (wchar_t& c : patterns) {
      if (c == L';') c = L' ';
    }
    // Qt takes the patterns from the last parentheses; HideNameFilterDetails then shows only
    // what stands before them, which is the platform's display text.
    out.push_back(parts[i] + L" (" + patterns + L")");
  }
  return out;
}

INT_PTR CFileDialog::DoModal() {
  m_paths.clear();
  QFileDialog dialog(OwnerWindow(m_pParent));
  dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  if (m_bOpen) {
    dialog.setFileMode((m_dwFlags & OFN_ALLOWMULTISELECT) != 0 ? QFileDialog::ExistingFiles
                                                               : QFileDialog::ExistingFile);
  } else {
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (m_dwFlags & OFN_OVERWRITEPROMPT) == 0);
  }
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  if (!m_filters.empty()) {
    QStringList filters;
    for (const std::wstring& f : m_filters) filters << QString::fromStdWString(f);
    dialog.setNameFilters(filters);
  }
  if (!m_strDefExt.empty()) dialog.setDefaultSuffix(QString::fromStdWString(m_strDefExt));
  dialog.setDirectory(LastFolder().isEmpty() ? QDir::currentPath() : LastFolder());
  if (!m_strFileName.empty()) dialog.selectFile(QString::fromStdWString(m_strFileName));

  if (dialog.exec() != QDialog::Accepted) return IDCANCEL;
  const QStringList picked = dialog.selectedFiles();
  if (picked.isEmpty()) return IDCANCEL;
  for (const QString& path : picked) {
    m_paths.push_back(QDir::cleanPath(QFileInfo(path).absoluteFilePath()).toStdWString());
  }
  LastFolder() = dialog.directory().absolutePath();
  return IDOK;
}

POSITION CFileDialog::GetStartPosition() const {
  return m_paths.empty() ? nullptr : static_cast<POSITION>(m_paths.data());
}

std::wstring CFileDialog::GetNextPathName(POSITION& pos) const {
  // A position is the address of a path in m_paths; anything else ends the walk.
  const auto at = reinterpret_cast<std::uintptr_t>(pos);
  const auto first = reinterpret_cast<std::uintptr_t>(m_paths.data());
  const std::uintptr_t size = sizeof(std::wstring);
  if (pos == nullptr || at < first || (at - first) % size != 0 ||
      (at - first) / size >= m_paths.size()) {
    pos = nullptr;
    return std::wstring();
  }
  const std::size_t index = (at - first) / size;
  pos = index + 1 < m_paths.size() ? static_cast<POSITION>(&m_paths[index + 1]) : nullptr;
  return m_paths[index];
}

std::wstring CFileDialog::GetPathName() const {
  return m_paths.empty() ? std::wstring() : m_paths.front();
}
