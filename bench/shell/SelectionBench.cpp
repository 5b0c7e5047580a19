// Adding picked files to a long file list: 10,000 new files into a list of 10,000 rows, then the
// same 10,000 again (all duplicates), through the handler's walk over the picked paths and
// AddRecordingPath, as 选择文件 does once the operator has confirmed. A second figure takes the
// whole click with the real file dialog: a folder of 10,000 recordings, all selected.
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "classlayer/MessageBox.h"
#include "res/resource.h"
#include "ui/RecMorphDlg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::unique_ptr<CRecMorphDlg> MakeDialog(int rows) {
  auto dlg = std::make_unique<CRecMorphDlg>(ConversionTiming::Real(),
                                            [](kernel::MemoryStatus&) { return false; });
  dlg->Create();
  for (int i = 0; i < rows; ++i) {
    dlg->AddRecordingPath(L"/archive/old/rec_" + std::to_wstring(i) + L".tqv");
  }
  return dlg;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetMessageBoxHandler([](QWidget*, const CMessageBoxRequest&) { return IDOK; });
  constexpr int kRows = 10000;
  constexpr int kRuns = 5;

  std::vector<std::wstring> picked;
  for (int i = 0; i < kRows; ++i) {
    picked.push_back(L"/media/新录像/Camera 07/CLIP_" + std::to_wstring(i) + L".TQV");
  }
  std::vector<double> fresh;
  std::vector<double> dup;
  for (int run = 0; run < kRuns; ++run) {
    auto dlg = MakeDialog(kRows);
    auto t0 = Clock::now();
    for (const std::wstring& p : picked) dlg->AddRecordingPath(p);
    fresh.push_back(Ms(Clock::now() - t0));
    t0 = Clock::now();
    for (const std::wstring& p : picked) dlg->AddRecordingPath(p);
    dup.push_back(Ms(Clock::now() - t0));
    if (dlg->FileList().GetItemCount() != 2 * kRows) {
      std::fprintf(stderr, "unexpected row count %d\n", dlg->FileList().GetItemCount());
      return 1;
    }
  }
  std::sort(fresh.begin(), fresh.end());
  std::sort(dup.begin(), dup.end());
  std::printf("add 10000 new files to 10000 rows:        median %.1f ms (min %.1f, max %.1f)\n",
              fresh[kRuns / 2], fresh.front(), fresh.back());
  std::printf("add the same 10000 again (duplicates):    median %.1f ms (min %.1f, max %.1f)\n",
              dup[kRuns / 2], dup.front(), dup.back());

  // The whole click: the real dialog on a folder of 10,000 recordings, Ctrl+A, Open.
  QTemporaryDir dir;
  for (int i = 0; i < kRows; ++i) {
    QFile f(dir.filePath(QStringLiteral("clip_%1.tqv").arg(i)));
    if (!f.open(QIODevice::WriteOnly)) return 1;
  }
  QDir::setCurrent(dir.path());
  auto dlg = MakeDialog(kRows);
  Clock::time_point shown;
  Clock::time_point confirmed;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* d = qobject_cast<QFileDialog*>(w);
      if (d == nullptr || !d->isVisible()) continue;
      auto* model = d->findChild<QFileSystemModel*>();
      auto* view = d->findChild<QListView*>(QStringLiteral("listView"));
      if (shown == Clock::time_point()) shown = Clock::now();
      if (model == nullptr || view == nullptr || model->rowCount(view->rootIndex()) < kRows ||
          model->canFetchMore(view->rootIndex())) {
        return;  // the folder is still being read
      }
      poll.stop();
      view->selectAll();
      confirmed = Clock::now();
      QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
      return;
    }
  });
  poll.start();
  const auto t0 = Clock::now();
  dlg->OnBnClickedSelect();
  const auto t1 = Clock::now();
  std::printf(
      "real dialog, 10000 files picked at once:  dialog up %.0f ms, folder read %.0f ms, "
      "rows added %.0f ms after Open (list now %d rows)\n",
      Ms(shown - t0), Ms(confirmed - shown), Ms(t1 - confirmed), dlg->FileList().GetItemCount());
  return 0;
}
