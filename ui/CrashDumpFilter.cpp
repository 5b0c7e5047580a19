// The crash-dump filter. Everything reached from CrashDumpFilter and CrashDumpTerminateHandler is
// async-signal-safe: raw system calls (open, read, write, readlink, clock_gettime, sigaction,
// nanosleep), backtrace() once the unwinder is loaded, and arithmetic on data prepared at install
// time. No allocation, no stdio, no locale, no lock.
#include "ui/CrashDumpFilter.h"

#include <cxxabi.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <typeinfo>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// The thread that writes the report (0 until the first fault). Claimed by compare-and-swap, so that
// exactly one fault in a run writes; lock-free atomics are async-signal-safe.
std::atomic<int> g_reportOwner{0};
// Set by the owner once the report is complete.
std::atomic<bool> g_reportDone{false};
// Written only by InstallCrashDumpFilter, before any thread exists.
bool g_installed = false;

// The alternate signal stack of the installing thread, so that a stack overflow can still be
// reported. Static, since the handler may need it at any time until the process ends.
alignas(16) char g_altStack[64 * 1024];

// Local time without localtime_r (which takes a lock and may read files): the UTC offsets in force
// from installation on, each from its first second. Filled at install time only.
struct OffsetSpan {
  int64_t from;    // seconds since 1970 (UTC) from which the offset holds
  int64_t offset;  // seconds east of UTC
};
constexpr int kMaxSpans = 16;
OffsetSpan g_spans[kMaxSpans];
int g_spanCount = 0;

int64_t UtcOffsetAt(time_t t) {
  struct tm local {};
  if (localtime_r(&t, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

// Records the offset now and every change of it in the next two years: a daily scan finds the days
// with a change, a binary search the second it starts.
void PrepareLocalTimeOffsets() {
  tzset();
  const time_t now = time(nullptr);
  int64_t current = UtcOffsetAt(now);
  g_spans[0] = {INT64_MIN, current};
  g_spanCount = 1;
  constexpr int64_t kDay = 86400;
  for (int64_t t = now + kDay; t <= now + 731 * kDay && g_spanCount < kMaxSpans; t += kDay) {
    if (UtcOffsetAt(static_cast<time_t>(t)) == current) continue;
    int64_t lo = t - kDay;  // still the old offset
    int64_t hi = t;         // already the new one
    while (hi - lo > 1) {
      const int64_t mid = lo + (hi - lo) / 2;
      (UtcOffsetAt(static_cast<time_t>(mid)) == current ? lo : hi) = mid;
    }
    current = UtcOffsetAt(static_cast<time_t>(hi));
    g_spans[g_spanCount++] = {hi, current};
  }
}

int64_t UtcOffsetFor(int64_t utc) {
  int64_t offset = g_spans[0].offset;
  for (int i = 1; i < g_spanCount && g_spans[i].from <= utc; ++i) offset = g_spans[i].offset;
  return offset;
}

struct CivilTime {
  int64_t year;
  int month, day, hour, minute, second;
  int64_t offset;
};

// Days since 1970-01-01 to a proleptic Gregorian date (the well-known era arithmetic).
void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

CivilTime LocalNow() {
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  CivilTime c{};
  c.offset = UtcOffsetFor(ts.tv_sec);
  const int64_t local = ts.tv_sec + c.offset;
  int64_t days = local / 86400;
  int64_t secs = local % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  CivilFromDays(days, c.year, c.month, c.day);
  c.hour = static_cast<int>(secs / 3600);
  c.minute = static_cast<int>(secs / 60 % 60);
  c.second = static_cast<int>(secs % 60);
  return c;
}

// Appends text and numbers to a fixed buffer and writes it out when full or flushed.
class ReportWriter {
 public:
  explicit ReportWriter(int fd) : fd_(fd) {}
  ~ReportWriter() { Flush(); }
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  ReportWriter& Text(const char* s) {
    while (*s != '\0') Put(*s++);
    return *this;
  }
  ReportWriter& Dec(int64_t v, int width = 0) {
    char digits[24];
    int n = 0;
    uint64_t u = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do {
      digits[n++] = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u != 0);
    if (v < 0) Put('-');
    for (int i = n; i < width; ++i) Put('0');
    while (n > 0) Put(digits[--n]);
    return *this;
  }
  ReportWriter& Hex(uintptr_t v) {
    Text("0x");
    char digits[2 * sizeof v];
    int n = 0;
    do {
      digits[n++] = "0123456789abcdef"[v & 0xF];
      v >>= 4;
    } while (v != 0);
    while (n > 0) Put(digits[--n]);
    return *this;
  }
  void Flush() {
    size_t done = 0;
    while (done < len_) {
      const ssize_t w = write(fd_, buf_ + done, len_ - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) break;
      done += static_cast<size_t>(w);
    }
    len_ = 0;
  }

 private:
  void Put(char c) {
    if (len_ == sizeof buf_) Flush();
    buf_[len_++] = c;
  }
  int fd_;
  size_t len_ = 0;
  char buf_[512];
};

const char* SignalName(int signo) {
  switch (signo) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGILL:
      return "SIGILL";
    case SIGFPE:
      return "SIGFPE";
    case SIGABRT:
      return "SIGABRT";
    default:
      return "?";
  }
}

int CurrentThreadId() {
  return static_cast<int>(syscall(SYS_gettid));
}

// What the handler knows about the fault.
struct Fault {
  int signo = 0;
  int code = 0;
  bool hasAddress = false;  // the signal carries a fault address
  uintptr_t address = 0;
  uintptr_t pc = 0;                     // instruction pointer at the fault, 0 when unknown
  bool terminate = false;               // std::terminate rather than a signal
  const char* exceptionType = nullptr;  // mangled type of the uncaught exception, if any
  const char* exceptionWhat = nullptr;  // its what(), if it is a std::exception
};

// Copies a small file (a /proc entry) to the writer; the trailing newline is dropped when asked.
void CopyFile(ReportWriter& out, const char* path, bool stripNewline) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    out.Text("(unavailable)");
    return;
  }
  char buf[1024];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf - 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    ssize_t len = n;
    if (stripNewline && len > 0 && buf[len - 1] == '\n') --len;
    buf[len] = '\0';
    out.Text(buf);
  }
  close(fd);
}

// A short text in a fixed buffer (a file name, a /proc path), cut at the buffer's end.
class SmallText {
 public:
  SmallText& Text(const char* s) {
    while (*s != '\0' && len_ + 1 < sizeof buf_) buf_[len_++] = *s++;
    buf_[len_] = '\0';
    return *this;
  }
  SmallText& Dec(int64_t v, int width = 0) {
    char digits[24];
    int n = 0;
    uint64_t u = v < 0 ? 0 : static_cast<uint64_t>(v);
    do {
      digits[n++] = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u != 0);
    char text[48];
    int k = 0;
    for (int i = n; i < width && k < 24; ++i) text[k++] = '0';
    while (n > 0) text[k++] = digits[--n];
    text[k] = '\0';
    return Text(text);
  }
  const char* c_str() const { return buf_; }

 private:
  char buf_[96] = {};
  size_t len_ = 0;
};

void WriteReport(const Fault& f) {
  const CivilTime t = LocalNow();

  // The name, built by hand: swprintf is not async-signal-safe.
  SmallText name;
  name.Text("./tq_").Dec(t.year, 4).Text("_").Dec(t.month, 2).Text("_").Dec(t.day, 2);
  name.Text("_").Dec(t.hour, 2).Text("_").Dec(t.minute, 2).Text("_").Dec(t.second, 2);
  name.Text(".dmp");

  const int self = CurrentThreadId();
  // An existing dump of the same name is replaced, as when two runs fault within one second.
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  {
    // One line for whoever watches the terminal; the report itself goes to the file.
    ReportWriter err(STDERR_FILENO);
    err.Text("RecMorph: fatal ");
    if (f.terminate) {
      err.Text("std::terminate");
    } else {
      err.Text("signal ").Dec(f.signo).Text(" (").Text(SignalName(f.signo)).Text(")");
    }
    err.Text(" in thread ").Dec(self);
    err.Text(fd >= 0 ? "; crash report " : "; cannot create crash report ");
    err.Text(name.c_str()).Text("\n");
  }
  if (fd < 0) return;
  {
    ReportWriter out(fd);
    out.Text("RecMorph crash report\n");
    out.Text("time: ").Dec(t.year, 4).Text("-").Dec(t.month, 2).Text("-").Dec(t.day, 2);
    out.Text(" ").Dec(t.hour, 2).Text(":").Dec(t.minute, 2).Text(":").Dec(t.second, 2);
    const int64_t off = t.offset < 0 ? -t.offset : t.offset;
    out.Text(" UTC").Text(t.offset < 0 ? "-" : "+").Dec(off / 3600, 2).Text(":");
    out.Dec(off / 60 % 60, 2).Text("\n");

    out.Text("process: ").Dec(getpid()).Text(" ");
    char exe[512];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    exe[n > 0 ? n : 0] = '\0';
    out.Text(exe).Text("\n");

    if (f.terminate) {
      out.Text("signal: none (std::terminate)\n");
      if (f.exceptionType != nullptr) {
        out.Text("exception: ").Text(f.exceptionType).Text("\n");
        if (f.exceptionWhat != nullptr) out.Text("what: ").Text(f.exceptionWhat).Text("\n");
      } else {
        out.Text("exception: none\n");
      }
    } else {
      out.Text("signal: ").Dec(f.signo).Text(" ").Text(SignalName(f.signo));
      out.Text(", code ").Dec(f.code).Text("\n");
      if (f.hasAddress) out.Text("address: ").Hex(f.address).Text("\n");
      if (f.pc != 0) out.Text("instruction: ").Hex(f.pc).Text("\n");
    }

    SmallText comm;
    comm.Text("/proc/self/task/").Dec(self).Text("/comm");
    out.Text("thread: ").Dec(self).Text(" \"");
    CopyFile(out, comm.c_str(), true);
    out.Text("\"\n");

    out.Text("backtrace:\n");
    out.Flush();
    void* frames[64];
    const int count = backtrace(frames, 64);
    // For a signal, start at the faulting instruction: the frames above it are the filter's own
    // (and the return address of its last, noreturn call would carry the next function's name).
    int first = 0;
    for (int i = 0; i < count && f.pc != 0; ++i) {
      if (reinterpret_cast<uintptr_t>(frames[i]) == f.pc) {
        first = i;
        break;
      }
    }
    backtrace_symbols_fd(frames + first, count - first, fd);

    out.Text("loaded modules:\n");
    CopyFile(out, "/proc/self/maps", false);
  }
  close(fd);
}

// Ends the process by the default action of signo: the filter removes itself, the signal is
// unblocked and sent to this thread. Only if that somehow returns is the process ended by _exit.
[[noreturn]] void EndByDefaultAction(int signo) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  for (int s : kSignals) sigaction(s, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signo);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  syscall(SYS_tgkill, getpid(), CurrentThreadId(), signo);
  _exit(128 + signo);
}

[[noreturn]] void ReportOnceAndEnd(const Fault& f) {
  const int self = CurrentThreadId();
  int expected = 0;
  if (g_reportOwner.compare_exchange_strong(expected, self)) {
    WriteReport(f);
    g_reportDone.store(true);
  } else if (expected != self) {
    // Another thread is writing the report and will end the process when it is done. Give it
    // up to 10 s (a report takes milliseconds), and 100 ms more once it says it is done.
    struct timespec tick {
      0, 10 * 1000 * 1000
    };
    int afterDone = 0;
    for (int i = 0; i < 1000 && afterDone < 10; ++i) {
      nanosleep(&tick, nullptr);
      if (g_reportDone.load()) ++afterDone;
    }
  }
  // expected == self: the writer itself faulted; the report stays as far as it got.
  EndByDefaultAction(f.signo);
}

}  // namespace

void InstallCrashDumpFilter() {
  if (g_installed) return;
  g_installed = true;

  PrepareLocalTimeOffsets();

  // The first call of backtrace() loads the unwinder with dlopen, which allocates; do it now.
  void* warmUp[2];
  backtrace(warmUp, 2);

  stack_t ss{};
  ss.ss_sp = g_altStack;
  ss.ss_size = sizeof g_altStack;
  ss.ss_flags = 0;
  sigaltstack(&ss, nullptr);

  struct sigaction sa {};
  sa.sa_sigaction = CrashDumpFilter;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  // While the handler runs, the other fault signals wait: a fault in the handler itself is then
  // ended by the kernel with the default action instead of re-entering it.
  sigemptyset(&sa.sa_mask);
  for (int s : kSignals) sigaddset(&sa.sa_mask, s);
  for (int s : kSignals) sigaction(s, &sa, nullptr);

  std::set_terminate(CrashDumpTerminateHandler);
}

bool IsCrashDumpFilterInstalled() {
  return g_installed;
}

void CrashDumpFilter(int signo, siginfo_t* info, void* context) {
  Fault f;
  f.signo = signo;
  if (info != nullptr) {
    f.code = info->si_code;
    // si_addr means something only for faults the kernel raised (si_code > 0).
    if (signo != SIGABRT && info->si_code > 0) {
      f.hasAddress = true;
      f.address = reinterpret_cast<uintptr_t>(info->si_addr);
    }
  }
  if (context != nullptr) {
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    f.pc = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    f.pc = static_cast<uintptr_t>(uc->uc_mcontext.pc);
#else
    (void)uc;
#endif
  }
  ReportOnceAndEnd(f);
}

void CrashDumpTerminateHandler() {
  Fault f;
  f.signo = SIGABRT;
  f.terminate = true;
  if (const std::type_info* type = abi::__cxa_current_exception_type()) {
    f.exceptionType = type->name();
    // Rethrowing the current exception is the only way to reach its what().
    try {
      throw;
    } catch (const std::exception& e) {
      f.exceptionWhat = e.what();
    } catch (...) {
    }
  }
  ReportOnceAndEnd(f);
}
