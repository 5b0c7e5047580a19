#include "classlayer/ListBox.h"

#include <QListWidget>

#include "classlayer/WindowTypes.h"

void CListBox::Attach(QWidget* widget, int id) {
  CWnd::Attach(qobject_cast<QListWidget*>(widget) != nullptr ? widget : nullptr, id);
}

QListWidget* CListBox::List() const {
  return qobject_cast<QListWidget*>(GetSafeHwnd());
}

int CListBox::GetCount() const {
  QListWidget* l = List();
  return l != nullptr ? l->count() : 0;
}

int CListBox::InsertString(int index, const std::wstring& text) {
  QListWidget* l = List();
  if (l == nullptr) return LB_ERR;
  if (index < 0 || index > l->count()) index = l->count();
  l->insertItem(index, QString::fromStdWString(text));
  return index;
}

int CListBox::GetCurSel() const {
  QListWidget* l = List();
  if (l == nullptr) return LB_ERR;
  const QList<QListWidgetItem*> selected = l->selectedItems();
  return selected.isEmpty() ? LB_ERR : l->row(selected.front());
}

int CListBox::SetCurSel(int index) {
  QListWidget* l = List();
  if (l == nullptr) return LB_ERR;
  if (index < 0) {
    l->clearSelection();
    return LB_ERR;
  }
  if (index >= l->count()) return LB_ERR;
  l->setCurrentRow(index);
  return index;
}

std::wstring CListBox::GetText(int index) const {
  QListWidget* l = List();
  if (l == nullptr || index < 0 || index >= l->count()) return {};
  return l->item(index)->text().toStdWString();
}
