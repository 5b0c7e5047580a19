// The crash-dump filter, seen from outside: each case re-runs this program as a child in a fresh
// directory, the child installs the filter and faults, and the parent checks how the child ended
// and which dumps it left behind.
#include <dirent.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ui/CrashDumpFilter.h"

// ---- The child side -------------------------------------------------------------------------

// Outside the anonymous namespace: the backtrace can name only exported functions. The address is
// not null, so that the undefined-behaviour checks let the store reach the processor.
volatile uintptr_t g_nowhere = 16;

__attribute__((noinline)) void CrashInWorker() {
  *reinterpret_cast<volatile int*>(g_nowhere) = 1;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int Recurse(int depth) {
  volatile char pad[512];
  pad[0] = static_cast<char>(depth);
  return Recurse(depth + 1) + pad[0];
}
#pragma GCC diagnostic pop

namespace {

bool DumpExistsHere() {
  DIR* dir = opendir(".");
  if (dir == nullptr) return false;
  bool found = false;
  while (dirent* e = readdir(dir)) {
    if (std::strncmp(e->d_name, "tq_", 3) == 0) found = true;
  }
  closedir(dir);
  return found;
}

void RunNamed(const char* name, void (*body)()) {
  std::thread t([name, body] {
    pthread_setname_np(pthread_self(), name);
    body();
  });
  t.join();
}

// Runs one crash scenario. Returns only when the scenario failed to end the process.
int RunCrashChild(const std::string& mode) {
  InstallCrashDumpFilter();
  if (mode == "segv-worker") {
    RunNamed("crasher", [] { CrashInWorker(); });
  } else if (mode == "abort-worker") {
    RunNamed("crasher", [] { std::abort(); });
  } else if (mode == "throw-worker") {
    RunNamed("crasher", [] { throw std::runtime_error("recording index damaged"); });
  } else if (mode == "raise-bus") {
    RunNamed("crasher", [] { raise(SIGBUS); });
  } else if (mode == "raise-ill") {
    RunNamed("crasher", [] { raise(SIGILL); });
  } else if (mode == "raise-fpe") {
    RunNamed("crasher", [] { raise(SIGFPE); });
  } else if (mode == "stack-overflow") {
    return Recurse(0);
  } else if (mode == "two-faults") {
    // The second thread faults as soon as the first one's dump exists, while it is being written.
    std::thread second([] {
      pthread_setname_np(pthread_self(), "second");
      while (!DumpExistsHere()) {
      }
      CrashInWorker();
    });
    RunNamed("first", [] { CrashInWorker(); });
    second.join();
  } else if (mode == "no-directory") {
    // The current directory is gone, so the dump cannot be created; the process still ends.
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr || rmdir(cwd) != 0) return 4;
    RunNamed("crasher", [] { CrashInWorker(); });
  } else {
    return 2;
  }
  return 3;
}

// ---- The parent side ------------------------------------------------------------------------

std::string g_self;  // this program's path, for re-running it

std::string LocalStamp(time_t t) {
  tm local{};
  localtime_r(&t, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "tq_%Y_%m_%d_%H_%M_%S.dmp", &local);
  return buf;
}

struct ChildRun {
  int status = 0;
  std::vector<std::string> dumps;  // names of the tq_* files left in the directory
  std::string firstDump;           // content of the first of them
  time_t started = 0;
  time_t ended = 0;
};

class CrashDumpFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = ::testing::TempDir() + "crashdump_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    if (dir_.empty()) return;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') unlink((dir_ + "/" + e->d_name).c_str());
      }
      closedir(d);
    }
    rmdir(dir_.c_str());
  }

  // Runs the child in the fresh directory; a non-empty tz becomes its TZ.
  ChildRun Run(const std::string& mode, const char* tz = nullptr) {
    ChildRun run;
    run.started = time(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(5);
      rlimit noCore{0, 0};  // no core file on top of the dump
      setrlimit(RLIMIT_CORE, &noCore);
      if (tz != nullptr) setenv("TZ", tz, 1);
      execl(g_self.c_str(), g_self.c_str(), "--crash-child", mode.c_str(), nullptr);
      _exit(6);
    }
    waitpid(pid, &run.status, 0);
    run.ended = time(nullptr);
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d)) {
        if (std::strncmp(e->d_name, "tq_", 3) == 0) run.dumps.push_back(e->d_name);
      }
      closedir(d);
    }
    if (!run.dumps.empty()) {
      std::ifstream in(dir_ + "/" + run.dumps[0]);
      std::stringstream text;
      text << in.rdbuf();
      run.firstDump = text.str();
    }
    return run;
  }

  std::string dir_;
};

void ExpectEndedBy(const ChildRun& run, int signo) {
  ASSERT_TRUE(WIFSIGNALED(run.status)) << "child exited normally with code "
                                       << (WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1);
  EXPECT_EQ(WTERMSIG(run.status), signo);
}

// The one dump is named after the local time of the fault, which lies within the child's run.
void ExpectOneDumpNamedNow(const ChildRun& run) {
  ASSERT_EQ(run.dumps.size(), 1u);
  const std::string& name = run.dumps[0];
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(tq_\d{4}_\d{2}_\d{2}_\d{2}_\d{2}_\d{2}\.dmp)")))
      << name;
  EXPECT_GE(name, LocalStamp(run.started));
  EXPECT_LE(name, LocalStamp(run.ended));
}

bool Has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

TEST_F(CrashDumpFilterTest, FaultInWorkerWritesOneReportAndEndsBySignal) {
  const ChildRun run = Run("segv-worker");
  ExpectEndedBy(run, SIGSEGV);
  ExpectOneDumpNamedNow(run);
  const std::string& d = run.firstDump;
  EXPECT_TRUE(Has(d, "signal: 11 SIGSEGV")) << d;
  EXPECT_TRUE(Has(d, "address: 0x10\n")) << d;
  EXPECT_TRUE(std::regex_search(d, std::regex("thread: [0-9]+ \"crasher\""))) << d;
  EXPECT_TRUE(Has(d, "CrashInWorker")) << "backtrace not symbolised:\n" << d;
  const auto modules = d.find("loaded modules:");
  ASSERT_NE(modules, std::string::npos) << d;
  EXPECT_NE(d.find(g_self.substr(g_self.rfind('/') + 1), modules), std::string::npos) << d;
  EXPECT_NE(d.find("libc", modules), std::string::npos) << d;
}

TEST_F(CrashDumpFilterTest, SecondFaultWritesNoSecondReport) {
  const ChildRun run = Run("two-faults");
  ExpectEndedBy(run, SIGSEGV);
  ExpectOneDumpNamedNow(run);
  EXPECT_TRUE(std::regex_search(run.firstDump, std::regex("thread: [0-9]+ \"first\"")));
}

// Faults raised by software must not be survived: the process ends after the report.
struct SoftwareFault {
  const char* mode;
  int signo;
  const char* reportLine;
};

void PrintTo(const SoftwareFault& f, std::ostream* os) {
  *os << f.mode;
}

class SoftwareFaultTest : public CrashDumpFilterTest,
                          public ::testing::WithParamInterface<SoftwareFault> {};

TEST_P(SoftwareFaultTest, WritesOneReportAndEnds) {
  const SoftwareFault& c = GetParam();
  const ChildRun run = Run(c.mode);
  ExpectEndedBy(run, c.signo);
  ExpectOneDumpNamedNow(run);
  EXPECT_TRUE(Has(run.firstDump, c.reportLine)) << run.firstDump;
  EXPECT_TRUE(Has(run.firstDump, "\"crasher\"")) << run.firstDump;
}

INSTANTIATE_TEST_SUITE_P(
    Signals, SoftwareFaultTest,
    ::testing::Values(SoftwareFault{"abort-worker", SIGABRT, "signal: 6 SIGABRT"},
                      SoftwareFault{"throw-worker", SIGABRT, "what: recording index damaged"},
                      SoftwareFault{"raise-bus", SIGBUS, "signal: 7 SIGBUS"},
                      SoftwareFault{"raise-ill", SIGILL, "signal: 4 SIGILL"},
                      SoftwareFault{"raise-fpe", SIGFPE, "signal: 8 SIGFPE"}),
    [](const auto& info) {
      std::string name = info.param.mode;
      for (char& ch : name) {
        if (ch == '-') ch = '_';
      }
      return name;
    });

TEST_F(CrashDumpFilterTest, StackOverflowInMainThreadIsReported) {
  const ChildRun run = Run("stack-overflow");
  ExpectEndedBy(run, SIGSEGV);
  ExpectOneDumpNamedNow(run);
  EXPECT_TRUE(Has(run.firstDump, "Recurse")) << run.firstDump.substr(0, 2000);
}

// The name carries the local time of the child's zone, daylight saving time included; the offsets
// are worked out at install time, since the handler cannot call localtime_r.
TEST_F(CrashDumpFilterTest, NameFollowsTheLocalTimeZone) {
  const char* previous = getenv("TZ");
  const std::string saved = previous != nullptr ? previous : "";
  for (const char* tz : {"UTC0", "CST-8", "EST5EDT,M3.2.0,M11.1.0", "NPT-5:45"}) {
    SCOPED_TRACE(tz);
    ChildRun run = Run("segv-worker", tz);
    setenv("TZ", tz, 1);
    tzset();
    ExpectOneDumpNamedNow(run);
    unlink((dir_ + "/" + run.dumps.at(0)).c_str());
  }
  if (previous != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST_F(CrashDumpFilterTest, UnwritableDirectoryStillEndsTheProcess) {
  const ChildRun run = Run("no-directory");
  ExpectEndedBy(run, SIGSEGV);
  dir_.clear();  // the child removed it
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--crash-child") == 0) return RunCrashChild(argv[2]);
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  g_self = self;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
