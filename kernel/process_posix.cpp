// Child processes on posix_spawn and waitpid.
//
// Descriptors: the child's 0, 1 and 2 are set up by the spawn's file actions (dup2 of the given
// descriptors, or /dev/null), then every descriptor from 3 upward is closed in the child. Our own
// descriptors are close-on-exec anyway; the close-from step also covers descriptors that other
// code in this process opened without that flag.
//
// Waiting: waitid with WNOWAIT blocks until the child has ended without reaping it; the reap then
// happens under the mutex, so Terminate() can never signal a pid that has been reaped and
// possibly reused.
#include "kernel/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace kernel {

namespace {

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return kStillActive;
}

// Makes target a copy of fd in the child, or /dev/null opened with flags when fd is -1.
int AddStdHandle(posix_spawn_file_actions_t* fa, int fd, int target, int flags) {
  if (fd < 0) return ::posix_spawn_file_actions_addopen(fa, target, "/dev/null", flags, 0);
  // dup2 onto itself would keep the close-on-exec flag; glibc clears it for this case.
  return ::posix_spawn_file_actions_adddup2(fa, fd, target);
}

}  // namespace

std::unique_ptr<Process> Process::Spawn(const std::vector<std::string>& argv,
                                        const StdHandles& handles, int* error) {
  if (error != nullptr) *error = 0;
  if (argv.empty()) {
    if (error != nullptr) *error = EINVAL;
    return nullptr;
  }
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t fa;
  posix_spawnattr_t attr;
  ::posix_spawn_file_actions_init(&fa);
  ::posix_spawnattr_init(&attr);
  int rc = AddStdHandle(&fa, handles.input, 0, O_RDONLY);
  if (rc == 0) rc = AddStdHandle(&fa, handles.output, 1, O_WRONLY);
  if (rc == 0) rc = AddStdHandle(&fa, handles.error, 2, O_WRONLY);
  if (rc == 0) rc = ::posix_spawn_file_actions_addclosefrom_np(&fa, 3);

  // The child starts with no blocked signals and SIGPIPE at its default, whatever this process
  // has set for its own threads.
  sigset_t none;
  sigset_t defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  if (rc == 0) rc = ::posix_spawnattr_setsigmask(&attr, &none);
  if (rc == 0) rc = ::posix_spawnattr_setsigdefault(&attr, &defaults);
  if (rc == 0)
    rc = ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  if (rc == 0) rc = ::posix_spawn(&pid, args[0], &fa, &attr, args.data(), environ);
  ::posix_spawnattr_destroy(&attr);
  ::posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    if (error != nullptr) *error = rc;
    return nullptr;
  }
  return std::unique_ptr<Process>(new Process(pid));
}

Process::~Process() {
  std::lock_guard<std::mutex> lock(m_mutex);
  ReapLocked(false);
}

void Process::ReapLocked(bool block) {
  if (m_reaped) return;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == m_pid) {
    m_reaped = true;
    m_exitCode = ExitCodeOf(status);
  } else if (r < 0) {
    // ECHILD: the child is not ours to wait for any more (someone reaped it behind our back, or
    // SIGCHLD is ignored). Count it as ended, so that nobody signals its pid again.
    m_reaped = true;
    m_exitCode = 128 + SIGKILL;
  }
}

int Process::GetExitCode() {
  std::lock_guard<std::mutex> lock(m_mutex);
  ReapLocked(false);
  return m_exitCode;
}

int Process::WaitForExit() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_reaped) return m_exitCode;
  }
  // Block outside the mutex until the child is a zombie; WNOWAIT leaves it unreaped, so its pid
  // stays ours until ReapLocked below. ECHILD means another call has reaped it meanwhile.
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOWAIT) != 0 &&
         errno == EINTR) {
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  ReapLocked(true);
  return m_exitCode;
}

bool Process::Terminate() {
  std::lock_guard<std::mutex> lock(m_mutex);
  ReapLocked(false);
  if (m_reaped) return false;
  // Not reaped: the pid is still this child's (at worst a zombie), never someone else's.
  ::kill(m_pid, SIGKILL);
  return true;
}

void WaitForProcessAndEvent(Process& process, Event& event) {
  // The child's end is permanent, so waiting for it first and for the event second ends at the
  // moment both hold, and the event is consumed only then.
  process.WaitForExit();
  event.Wait();
}

}  // namespace kernel
