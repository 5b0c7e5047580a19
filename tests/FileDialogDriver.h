// Drives the real Qt file dialog from inside its modal loop, the way an operator would: the
// action runs once the dialog is on screen; PickFiles types names into its file-name box and
// confirms, Cancel closes it.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QStringList>
#include <QTimer>
#include <functional>

// Runs action on the next file dialog that opens. Call before the code that opens it.
inline void WhenFileDialogOpens(std::function<void(QFileDialog*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      timer->stop();
      timer->deleteLater();
      action(dialog);
      return;
    }
  });
  timer->start();
}

// Types the names (quoted when several, as the dialog wants them) in folder and presses Open.
inline void PickFiles(QFileDialog* dialog, const QString& folder, const QStringList& names) {
  dialog->setDirectory(folder);
  QString text;
  if (names.size() == 1) {
    text = names.front();
  } else {
    for (const QString& name : names) text += QLatin1Char('"') + name + QStringLiteral("\" ");
  }
  dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(text);
  QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
}

// The filter entries the operator sees in the dialog's type box.
inline QStringList ShownFilters(QFileDialog* dialog) {
  QStringList shown;
  if (auto* box = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
    for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
  }
  return shown;
}
