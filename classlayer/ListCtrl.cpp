#include "classlayer/ListCtrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableWidget>

namespace {

Qt::Alignment AlignmentOf(int format) {
  switch (format & 0x3) {
    case LVCFMT_CENTER:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case LVCFMT_RIGHT:
      return Qt::AlignRight | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

constexpr int kFormatRole = Qt::UserRole + 1;  // the column format, kept on the header item
constexpr int kDataRole = Qt::UserRole;        // the row's item data, kept on the column 0 cell

}  // namespace

void CListCtrl::Attach(QWidget* widget, int id) {
  CWnd::Attach(qobject_cast<QTableWidget*>(widget) != nullptr ? widget : nullptr, id);
}

QTableWidget* CListCtrl::Table() const {
  return qobject_cast<QTableWidget*>(GetSafeHwnd());
}

void CListCtrl::SetExtendedStyle(DWORD exStyle) {
  m_dwExStyle = exStyle;
  QTableWidget* t = Table();
  if (t == nullptr) return;
  t->setShowGrid((exStyle & LVS_EX_GRIDLINES) != 0);
  t->setSelectionBehavior((exStyle & LVS_EX_FULLROWSELECT) != 0 ? QAbstractItemView::SelectRows
                                                                : QAbstractItemView::SelectItems);
}

int CListCtrl::InsertColumn(int col, const std::wstring& heading, int format, int width) {
  QTableWidget* t = Table();
  if (t == nullptr || col < 0) return -1;
  if (col > t->columnCount()) col = t->columnCount();
  t->insertColumn(col);
  auto* header = new QTableWidgetItem(QString::fromStdWString(heading));
  header->setTextAlignment(AlignmentOf(format));
  header->setData(kFormatRole, format);
  t->setHorizontalHeaderItem(col, header);
  t->setColumnWidth(col, width);
  return col;
}

int CListCtrl::GetColumnCount() const {
  QTableWidget* t = Table();
  return t != nullptr ? t->columnCount() : 0;
}

int CListCtrl::GetColumnWidth(int col) const {
  QTableWidget* t = Table();
  return t != nullptr && col >= 0 && col < t->columnCount() ? t->columnWidth(col) : 0;
}

int CListCtrl::GetColumnFormat(int col) const {
  QTableWidget* t = Table();
  if (t == nullptr) return LVCFMT_LEFT;
  QTableWidgetItem* header = t->horizontalHeaderItem(col);
  return header != nullptr ? header->data(kFormatRole).toInt() : LVCFMT_LEFT;
}

std::wstring CListCtrl::GetColumnHeading(int col) const {
  QTableWidget* t = Table();
  if (t == nullptr) return {};
  QTableWidgetItem* header = t->horizontalHeaderItem(col);
  return header != nullptr ? header->text().toStdWString() : std::wstring();
}

int CListCtrl::GetItemCount() const {
  QTableWidget* t = Table();
  return t != nullptr ? t->rowCount() : 0;
}

int CListCtrl::InsertItem(int row, const std::wstring& text) {
  QTableWidget* t = Table();
  if (t == nullptr) return -1;
  if (row < 0 || row > t->rowCount()) row = t->rowCount();
  t->insertRow(row);
  SetItemText(row, 0, text);
  return row;
}

bool CListCtrl::DeleteItem(int row) {
  QTableWidget* t = Table();
  if (t == nullptr || row < 0 || row >= t->rowCount()) return false;
  t->removeRow(row);
  return true;
}

bool CListCtrl::DeleteAllItems() {
  QTableWidget* t = Table();
  if (t == nullptr) return false;
  t->setRowCount(0);
  return true;
}

std::wstring CListCtrl::GetItemText(int row, int col) const {
  QTableWidget* t = Table();
  if (t == nullptr) return {};
  QTableWidgetItem* cell = t->item(row, col);
  return cell != nullptr ? cell->text().toStdWString() : std::wstring();
}

bool CListCtrl::SetItemText(int row, int col, const std::wstring& text) {
  QTableWidget* t = Table();
  if (t == nullptr || row < 0 || row >= t->rowCount() || col < 0 || col >= t->columnCount()) {
    return false;
  }
  const QString value = QString::fromStdWString(text);
  if (QTableWidgetItem* cell = t->item(row, col)) {
    if (cell->text() != value) cell->setText(value);
    return true;
  }
  auto* cell = new QTableWidgetItem(value);
  cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  cell->setTextAlignment(AlignmentOf(GetColumnFormat(col)));
  t->setItem(row, col, cell);
  return true;
}

DWORD_PTR CListCtrl::GetItemData(int row) const {
  QTableWidget* t = Table();
  if (t == nullptr) return 0;
  QTableWidgetItem* cell = t->item(row, 0);
  return cell != nullptr ? static_cast<DWORD_PTR>(cell->data(kDataRole).toULongLong()) : 0;
}

bool CListCtrl::SetItemData(int row, DWORD_PTR data) {
  QTableWidget* t = Table();
  if (t == nullptr || row < 0 || row >= t->rowCount()) return false;
  if (t->item(row, 0) == nullptr) SetItemText(row, 0, std::wstring());
  t->item(row, 0)->setData(kDataRole, QVariant::fromValue<qulonglong>(data));
  return true;
}

int CListCtrl::GetNextItem(int start, UINT flags) const {
  QTableWidget* t = Table();
  if (t == nullptr || (flags & LVNI_SELECTED) == 0) return -1;
  int next = -1;
  for (const QModelIndex& index : t->selectionModel()->selectedIndexes()) {
    if (index.row() > start && (next < 0 || index.row() < next)) next = index.row();
  }
  return next;
}

void CListCtrl::SetSelectedRow(int row) {
  QTableWidget* t = Table();
  if (t == nullptr) return;
  t->clearSelection();
  if (row < 0 || row >= t->rowCount() || t->columnCount() == 0) return;
  t->selectionModel()->select(t->model()->index(row, 0),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
