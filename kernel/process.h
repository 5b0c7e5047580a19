// Child processes: start one from an argument vector with given standard handles, query its exit
// code, end it, and wait for it (alone, or together with an event).
//
// No shell is involved: the arguments reach the child exactly as given, so quotes, spaces or CJK
// characters in a file name cannot change them. The child receives the three standard handles it
// is given and no other descriptor of this process.
//
// Exit codes follow the platform's convention: kStillActive while the child runs; afterwards its
// exit status, or 128 + the signal number when a signal ended it.
//
// Only this object ever reaps its own child (waitpid on its own pid), so a pid is never reused
// while the object can still signal it. Every member may be called from any thread at any time
// while the object lives; the owner destroys it only after the child has ended and no other thread
// uses it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kernel/event.h"

namespace kernel {

// The exit code answered while the child still runs (the platform's STILL_ACTIVE).
inline constexpr int kStillActive = 259;

// The child's standard input, output and error; -1 gives it /dev/null, so that no descriptor from
// 0 to 2 is left closed in the child. The same descriptor may be given more than once.
struct StdHandles {
  int input = -1;
  int output = -1;
  int error = -1;
};

class Process {
 public:
  // Starts the program at argv[0] (a path; PATH is not searched) with the arguments argv, this
  // process's environment and current folder, and the given standard handles. Null when the
  // child could not be started (no such program, not executable, no resources); *error, when
  // given, receives the errno value.
  static std::unique_ptr<Process> Spawn(const std::vector<std::string>& argv,
                                        const StdHandles& handles, int* error = nullptr);

  // Reaps the child if it has ended; a child that still runs is left running.
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t Id() const { return m_pid; }

  // kStillActive while the child runs, else its exit code. Never waits.
  int GetExitCode();
  // Waits, without spinning, until the child has ended; answers its exit code.
  int WaitForExit();
  // Ends the child with SIGKILL. False when it had already ended (nothing is sent then).
  bool Terminate();

 private:
  explicit Process(pid_t pid) : m_pid(pid) {}
  // Reaps the child if it has ended (or, with block, once it ends); m_mutex must be held.
  void ReapLocked(bool block);

  const pid_t m_pid;
  std::mutex m_mutex;     // guards m_reaped and m_exitCode, and orders reaping against kill()
  bool m_reaped = false;  // the child has been reaped; its pid may belong to someone else now
  int m_exitCode = kStillActive;
};

// Waits until the child has ended and the event is signalled, both, without a time limit. An
// automatic-reset event is consumed only once the child has ended, so a signal that arrives while
// the child still runs stays pending until then.
void WaitForProcessAndEvent(Process& process, Event& event);

}  // namespace kernel
