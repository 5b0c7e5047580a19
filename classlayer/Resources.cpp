#include "classlayer/Resources.h"

#include <QFile>
#include <utility>

namespace {

std::map<int, std::wstring>& Strings() {
  static std::map<int, std::wstring> strings;  // GUI thread only, see the header
  return strings;
}

}  // namespace

QIcon LoadIconResource(int id) {
  const QString path = QStringLiteral(":/icons/%1.png").arg(id);
  return QFile::exists(path) ? QIcon(path) : QIcon();
}

void SetStringTable(std::map<int, std::wstring> table) {
  Strings() = std::move(table);
}

std::wstring LoadStringResource(int id) {
  const auto it = Strings().find(id);
  return it != Strings().end() ? it->second : std::wstring();
}
