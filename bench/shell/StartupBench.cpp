// Start-up to a shown, idle main dialog: the program is started as a child process (the real
// executable's start-up: dynamic loading, static initialisation with the crash filter, the Qt
// application, InitInstance, the dialog), and the child reports the time from its exec to the
// first moment the shown dialog's event loop has nothing left to do. Offscreen unless
// QT_QPA_PLATFORM says otherwise.
#include <sys/wait.h>
#include <unistd.h>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "res/Templates.h"
#include "ui/RecMorphApp.h"
#include "ui/RecMorphDlg.h"

namespace {

// Milliseconds since this process was started (exec), from /proc/self/stat's start time.
double MsSinceProcessStart() {
  std::ifstream in("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream rest(stat.substr(stat.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22; ++i) rest >> field;  // field 22: start time in clock ticks after boot
  const double startMs = std::stod(field) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6 -
         startMs;
}

int RunChild(int argc, char** argv) {
  // Once the dialog is up, wait for the first idle moment of its loop, report, and close it.
  QTimer poll;
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    CDialog* dlg = theApp.m_pMainWnd;
    if (dlg == nullptr || dlg->GetSafeHwnd() == nullptr || !dlg->GetSafeHwnd()->isVisible()) return;
    poll.stop();
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     [dlg] {
                       static bool reported = false;
                       if (reported) return;
                       reported = true;
                       std::printf("%.1f\n", MsSinceProcessStart());
                       std::fflush(stdout);
                       dlg->EndDialog(IDCANCEL);
                     });
  });
  QTimer::singleShot(0, [&] { poll.start(); });
  InitProgramResources();
  return RunRecMorphApp(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) {
    // QTimer needs the application that the start-up makes; make it first, as main() would not.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    char* childArgv[] = {argv[0], nullptr};
    return RunChild(1, childArgv);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // QT_QPA_PLATFORM=xcb with DISPLAY for a real X
  constexpr int kRuns = 11;
  std::vector<double> ms;
  for (int run = 0; run < kRuns; ++run) {
    int fd[2];
    if (pipe(fd) != 0) return 1;
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(fd[1], STDOUT_FILENO);
      close(fd[0]);
      close(fd[1]);
      execl("/proc/self/exe", argv[0], "--child", nullptr);
      _exit(127);
    }
    close(fd[1]);
    char buf[64] = {};
    const ssize_t n = read(fd[0], buf, sizeof buf - 1);
    close(fd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (n <= 0) {
      std::fprintf(stderr, "child reported nothing (status %d)\n", status);
      return 1;
    }
    ms.push_back(std::atof(buf));
  }
  std::sort(ms.begin(), ms.end());
  std::printf(
      "start-up to a shown, idle dialog (%s, %d runs): median %.0f ms (min %.0f, max %.0f)\n",
      std::getenv("QT_QPA_PLATFORM"), kRuns, ms[kRuns / 2], ms.front(), ms.back());
  return 0;
}
