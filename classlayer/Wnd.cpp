#include "classlayer/Wnd.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

void CWnd::Attach(QWidget* widget, int id) {
  m_pWidget = widget;
  m_nID = widget != nullptr ? id : 0;
}

void CWnd::EnableWindow(bool enable) {
  if (m_pWidget) m_pWidget->setEnabled(enable);
}

bool CWnd::IsWindowEnabled() const {
  return m_pWidget && m_pWidget->isEnabled();
}

void CWnd::SetWindowText(const std::wstring& text) {
  QWidget* w = m_pWidget.data();
  if (w == nullptr) return;
  const QString t = QString::fromStdWString(text);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(t);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(t);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(t);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(t);
  } else {
    w->setWindowTitle(t);
  }
}

std::wstring CWnd::GetWindowText() const {
  QWidget* w = m_pWidget.data();
  if (w == nullptr) return {};
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdWString();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().toStdWString();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdWString();
  if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title().toStdWString();
  return w->windowTitle().toStdWString();
}
