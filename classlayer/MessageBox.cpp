#include "classlayer/MessageBox.h"

#include <QMessageBox>
#include <utility>

namespace {

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;  // GUI thread only
  return handler;
}

QMessageBox::Icon IconOf(UINT type) {
  switch (type & 0xF0u) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}

int ShowMessageBox(QWidget* parent, const std::wstring& text, const std::wstring& caption,
                   UINT type) {
  const CMessageBoxRequest request{text, caption, type};
  if (Handler()) return Handler()(parent, request);
  QMessageBox box(IconOf(type), QString::fromStdWString(caption), QString::fromStdWString(text),
                  QMessageBox::Ok, parent);
  // Plain text: a log line with '<' in it must not be taken for markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
  return IDOK;
}
