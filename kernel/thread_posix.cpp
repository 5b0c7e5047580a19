// The thread on pthreads. std::thread is not used because the forced stop needs pthread_cancel,
// whose unwinding must not cross a noexcept frame of the standard library.
#include "kernel/thread.h"

namespace kernel {

namespace {

// Marks the thread as ended when its body returns and also when a cancellation unwinds it.
struct EndMarker {
  std::mutex& mutex;
  std::condition_variable& cv;
  std::atomic<bool>& ended;
  ~EndMarker() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      ended.store(true);
    }
    cv.notify_all();
  }
};

}  // namespace

std::unique_ptr<Thread> Thread::Start(const std::string& name, std::function<void()> body) {
  // Linux keeps 15 bytes of a thread's name; a longer name would be refused whole.
  std::unique_ptr<Thread> t(new Thread(name.substr(0, 15), std::move(body)));
  if (::pthread_create(&t->m_thread, nullptr, &Thread::Trampoline, t.get()) != 0) {
    t->m_joined = true;  // nothing to join
    return nullptr;
  }
  return t;
}

void* Thread::Trampoline(void* self) {
  auto* t = static_cast<Thread*>(self);
  // Named from inside, so that the name is in place before the body runs.
  ::pthread_setname_np(::pthread_self(), t->m_name.c_str());
  EndMarker marker{t->m_mutex, t->m_cv, t->m_ended};
  t->m_body();
  return nullptr;
}

Thread::~Thread() {
  Join();
}

void Thread::Join() {
  if (m_joined) return;
  ::pthread_join(m_thread, nullptr);
  m_joined = true;
}

bool Thread::TimedJoin(std::chrono::milliseconds limit) {
  if (m_joined) return true;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_cv.wait_for(lock, limit, [this] { return m_ended.load(); })) return false;
  }
  // The body has returned; only the thread's exit remains, which does not block.
  Join();
  return true;
}

void Thread::Terminate() {
  if (m_joined) return;
  ::pthread_cancel(m_thread);
  Join();
}

bool Thread::HasEnded() const {
  return m_ended.load();
}

}  // namespace kernel
