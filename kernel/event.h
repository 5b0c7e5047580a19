// An event: a flag that threads wait for, with a reset policy and an initial state.
//
// An automatic-reset event lets exactly one wait through per Signal() and returns to non-signalled
// as that wait returns; a manual-reset event stays signalled until Reset(). Signalling an event
// that is already signalled changes nothing (signals do not add up).
//
// The wait for a child process and an event together is kernel::WaitForProcessAndEvent
// (kernel/process.h).
//
// Every operation may be called from any thread at any time while the object lives; the owner must
// not destroy it while another thread is inside one of its calls.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kernel {

class Event {
 public:
  enum class ResetPolicy { kManual, kAutomatic };
  enum class InitialState { kNotSignaled, kSignaled };

  Event(ResetPolicy policy, InitialState initial);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // Puts the event in the signalled state and wakes the waiters (one of them for an
  // automatic-reset event).
  void Signal();
  // Puts the event in the non-signalled state; a pending signal is dropped.
  void Reset();

  // Waits until the event is signalled. An automatic-reset event is reset as the wait returns.
  void Wait();
  // Waits at most `limit`. True when the event was signalled (and, for an automatic-reset event,
  // consumed by this wait); false on time-out, leaving the event as it was. A zero limit tests the
  // state without waiting.
  bool TimedWait(std::chrono::milliseconds limit);

  // The state at this moment, without consuming it.
  bool IsSignaled() const;

 private:
  const ResetPolicy m_policy;
  mutable std::mutex m_mutex;    // guards m_signaled
  std::condition_variable m_cv;  // notified on Signal()
  bool m_signaled;
};

}  // namespace kernel
