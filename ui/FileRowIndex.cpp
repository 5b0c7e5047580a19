#include "ui/FileRowIndex.h"

#include <cwctype>

std::wstring CFileRowIndex::Lower(std::wstring_view text) {
  std::wstring lower(text);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return lower;
}

std::wstring CFileRowIndex::StatusKey(std::wstring_view name) {
  std::wstring key = Lower(name);
  const std::size_t p = key.find(L".tqv");
  key.resize(p == std::wstring::npos ? 0 : p);
  return key;
}

void CFileRowIndex::SplitPath(std::wstring_view path, std::wstring* folder, std::wstring* name) {
  const std::size_t s = path.rfind(L'/');
  const std::size_t cut = s == std::wstring_view::npos ? 0 : s + 1;
  folder->assign(path.substr(0, cut));
  name->assign(path.substr(cut));
}

bool CFileRowIndex::ContainsName(std::wstring_view name) const {
  return m_nameCount.find(Lower(name)) != m_nameCount.end();
}

int CFileRowIndex::FindStatusRow(std::wstring_view name) const {
  const auto it = m_rowsByKey.find(Lower(name));
  return it != m_rowsByKey.end() && !it->second.empty() ? it->second.front() : -1;
}

void CFileRowIndex::Append(std::wstring_view name) {
  Row row{Lower(name), StatusKey(name), false};
  const int index = Count();
  m_rowsByKey[row.key].push_back(index);
  ++m_nameCount[row.lowerName];
  m_rows.push_back(std::move(row));
}

void CFileRowIndex::Remove(int row) {
  if (row < 0 || row >= Count()) return;
  m_rows.erase(m_rows.begin() + row);
  if (m_nActiveRow == row) {
    m_nActiveRow = -1;
  } else if (m_nActiveRow > row) {
    --m_nActiveRow;
  }
  // Every later row moves up by one; removing is rare, so the tables are simply made again.
  Rebuild();
}

void CFileRowIndex::Clear() {
  m_rows.clear();
  m_nActiveRow = -1;
  Rebuild();
}

void CFileRowIndex::Rebuild() {
  m_rowsByKey.clear();
  m_nameCount.clear();
  for (int i = 0; i < Count(); ++i) {
    m_rowsByKey[m_rows[i].key].push_back(i);
    ++m_nameCount[m_rows[i].lowerName];
  }
}

void CFileRowIndex::BeginRow(int row) {
  if (row < 0 || row >= Count()) return;
  m_nActiveRow = row;
  m_rows[row].final = false;
}

void CFileRowIndex::FinishRow(int row) {
  if (row < 0 || row >= Count()) return;
  m_rows[row].final = true;
  if (m_nActiveRow == row) m_nActiveRow = -1;
}

bool CFileRowIndex::AcceptsStatus(int row) const {
  if (row < 0 || row >= Count() || m_rows[row].final) return false;
  return m_nActiveRow < 0 || m_nActiveRow == row;
}
