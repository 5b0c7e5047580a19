// recmorph: with no arguments it opens the main dialog; `recmorph --batch FILE...` converts
// without a window (app/BatchCommand.h).
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/BatchCommand.h"
#include "ui/RecMorphDlg.h"

namespace {

int RunDialog(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("RecMorph"));
  CRecMorphDlg dlg;
  dlg.DoModal();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--batch") == 0) {
    return RunBatchCommand(std::vector<std::string>(argv + 2, argv + argc));
  }
  if (argc > 1) {
    std::fputs(BatchUsage(), stderr);
    return 2;
  }
  return RunDialog(argc, argv);
}
