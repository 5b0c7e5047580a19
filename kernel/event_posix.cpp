// The event on a mutex and a condition variable. The condition variable's wait re-checks the flag
// after every wake, so spurious wake-ups and signals given before the wait began are both handled.
#include "kernel/event.h"

namespace kernel {

Event::Event(ResetPolicy policy, InitialState initial)
    : m_policy(policy), m_signaled(initial == InitialState::kSignaled) {}

void Event::Signal() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signaled = true;
  }
  // An automatic-reset event lets only one waiter through, so waking one is enough; the others
  // would find the flag consumed and sleep again.
  if (m_policy == ResetPolicy::kAutomatic) {
    m_cv.notify_one();
  } else {
    m_cv.notify_all();
  }
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_signaled = false;
}

void Event::Wait() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_cv.wait(lock, [this] { return m_signaled; });
  if (m_policy == ResetPolicy::kAutomatic) m_signaled = false;
}

bool Event::TimedWait(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(m_mutex);
  // wait_for measures on the steady clock, so a change of the wall clock cannot stretch the limit.
  if (!m_cv.wait_for(lock, limit, [this] { return m_signaled; })) return false;
  if (m_policy == ResetPolicy::kAutomatic) m_signaled = false;
  return true;
}

bool Event::IsSignaled() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_signaled;
}

}  // namespace kernel
