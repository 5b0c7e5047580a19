// A joinable thread with a name and a join that waits at most a given time.
//
// The thread starts at once and runs `body`. Its name (at most 15 bytes are kept) shows in
// debuggers, in /proc and in sanitizer reports.
//
// Ownership: the Thread object is the only handle to the thread. It must be joined (Join, or a
// TimedJoin that answered true, or Terminate) before it is destroyed; a destructor that finds it
// still running joins it without limit. Join, TimedJoin and Terminate are called by one owning
// thread, never from the thread itself.
#pragma once

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace kernel {

class Thread {
 public:
  // Starts a thread named `name` running `body`. Null when the system cannot start a thread.
  static std::unique_ptr<Thread> Start(const std::string& name, std::function<void()> body);

  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Waits until the body has returned.
  void Join();
  // Waits at most `limit` for the body to return. True when it has (the thread is then joined);
  // false on time-out, the thread still running.
  bool TimedJoin(std::chrono::milliseconds limit);
  // The forced stop, a last resort after a TimedJoin that timed out: the thread is cancelled at
  // its next cancellation point (a sleep, a read, a wait), its stack unwound, and then joined.
  // Code that must not be interrupted has to avoid cancellation points.
  void Terminate();

  // Whether the body has returned (without joining).
  bool HasEnded() const;

 private:
  Thread(std::string name, std::function<void()> body)
      : m_name(std::move(name)), m_body(std::move(body)) {}
  static void* Trampoline(void* self);

  const std::string m_name;
  std::function<void()> m_body;  // read only by the thread itself
  pthread_t m_thread{};
  bool m_joined = false;  // owner's thread only

  // m_ended is atomic because a cancelled thread sets it while unwinding, where a sanitizer may not
  // see the mutex; the mutex still orders it against the condition variable's wait.
  std::mutex m_mutex;
  std::condition_variable m_cv;  // notified when m_ended becomes true
  std::atomic<bool> m_ended{false};
};

}  // namespace kernel
