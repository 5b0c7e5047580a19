// The program's start-up: the crash-dump filter before the application object, then InitInstance
// running the main dialog modally with the files named on the command line, and the end of the
// program when the dialog closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <exception>
#include <string>
#include <vector>

#include "ui/CrashDumpFilter.h"
#include "ui/RecMorphApp.h"
#include "ui/RecMorphDlg.h"

namespace {

TEST(StartupTest, TheCrashFilterIsInstalledBeforeTheApplicationObject) {
  EXPECT_TRUE(CrashFilterPrecededApp());
  EXPECT_EQ(AfxGetApp(), &theApp);
  EXPECT_TRUE(theApp.m_bResourceSmartUpdate);
  struct sigaction current {};
  for (int signo : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) {
    ASSERT_EQ(sigaction(signo, nullptr, &current), 0);
    EXPECT_EQ(current.sa_sigaction, &CrashDumpFilter) << signo;
  }
  EXPECT_EQ(std::get_terminate(), &CrashDumpTerminateHandler);
}

TEST(StartupTest, InitInstanceRunsTheDialogModallyWithTheNamedFilesThenTheProgramEnds) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkdir("more"));
  for (const char* name : {"a.tqv", "more/b.tqv", "more/C.TQV", "more/notes.txt"}) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  std::string program = "recmorph";
  std::string file = dir.filePath("a.tqv").toStdString();
  std::string folder = dir.filePath("more").toStdString();
  std::string missing = dir.filePath("missing.tqv").toStdString();
  std::vector<char*> argv{program.data(), file.data(), folder.data(), missing.data(), nullptr};

  bool modal = false;
  std::wstring keyDuringRun;
  std::vector<std::wstring> rows;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dlg = dynamic_cast<CRecMorphDlg*>(theApp.m_pMainWnd);
    if (dlg == nullptr || QApplication::activeModalWidget() == nullptr) return;
    poll.stop();
    modal =
        QApplication::activeModalWidget() == dlg->GetSafeHwnd() && dlg->GetSafeHwnd()->isVisible();
    keyDuringRun = theApp.GetRegistryKey();
    for (int i = 0; i < dlg->FileList().GetItemCount(); ++i) {
      rows.push_back(dlg->FileList().GetItemText(i, 0));
    }
    dlg->GetSafeHwnd()->close();  // the close box
  });
  poll.start();

  testing::internal::CaptureStderr();
  // Returning at all shows that no message loop ran after InitInstance: nothing would end it.
  const int code = RunRecMorphApp(static_cast<int>(argv.size()) - 1, argv.data());
  const std::string errors = testing::internal::GetCapturedStderr();

  EXPECT_EQ(code, 0);
  EXPECT_TRUE(modal);
  EXPECT_EQ(keyDuringRun, kRegistryKey);
  EXPECT_EQ(rows, (std::vector<std::wstring>{L"a.tqv", L"C.TQV", L"b.tqv"}));
  EXPECT_NE(errors.find(missing), std::string::npos) << errors;
  EXPECT_EQ(theApp.m_pMainWnd, nullptr);
  EXPECT_EQ(theApp.GetArguments().size(), 3u);
}

}  // namespace
