// recmorph: with no arguments it opens the main dialog; `recmorph --batch FILE...` converts
// without a window (app/BatchCommand.h).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/BatchCommand.h"
#include "ui/RecMorphDlg.h"

namespace {

int RunDialog(int argc, char** argv) {
  // Without a display Qt would abort; say what to do instead.
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
      std::getenv("QT_QPA_PLATFORM") == nullptr) {
    std::fputs(
        "recmorph: no display to open the dialog on; use --batch FILE... to convert without "
        "a window\n",
        stderr);
    return 1;
  }
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
