#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "kernel/pipe.h"
#include "kernel/thread.h"

using namespace std::chrono_literals;

namespace {

TEST(Pipe, PeekCountsWaitingBytesWithoutTakingThem) {
  auto pipe = kernel::Pipe::Create();
  ASSERT_NE(pipe, nullptr);
  std::size_t available = 99;
  ASSERT_TRUE(pipe->Peek(available));
  EXPECT_EQ(available, 0u);
  ASSERT_EQ(::write(pipe->WriteFd(), "abc\n", 4), 4);
  ASSERT_TRUE(pipe->Peek(available));
  EXPECT_EQ(available, 4u);
  char buf[8] = {};
  std::size_t got = 0;
  ASSERT_TRUE(pipe->Read(buf, sizeof buf, got));
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(std::string(buf, got), "abc\n");
  ASSERT_TRUE(pipe->Peek(available));
  EXPECT_EQ(available, 0u);
}

TEST(Pipe, BothEndsAreCloseOnExec) {
  auto pipe = kernel::Pipe::Create();
  ASSERT_NE(pipe, nullptr);
  EXPECT_TRUE(::fcntl(pipe->ReadFd(), F_GETFD) & FD_CLOEXEC);
  EXPECT_TRUE(::fcntl(pipe->WriteFd(), F_GETFD) & FD_CLOEXEC);
}

TEST(Thread, CarriesItsName) {
  std::string seen;
  auto t = kernel::Thread::Start("reader", [&] {
    char name[16] = {};
    ::pthread_getname_np(::pthread_self(), name, sizeof name);
    seen = name;
  });
  ASSERT_NE(t, nullptr);
  t->Join();
  EXPECT_EQ(seen, "reader");
}

TEST(Thread, TimedJoinWaitsOnlyUpToItsLimit) {
  std::atomic<bool> release{false};
  auto t = kernel::Thread::Start("watchdog", [&] {
    while (!release) std::this_thread::sleep_for(1ms);
  });
  ASSERT_NE(t, nullptr);
  EXPECT_FALSE(t->TimedJoin(5ms));
  EXPECT_FALSE(t->HasEnded());
  release = true;
  EXPECT_TRUE(t->TimedJoin(10s));
  EXPECT_TRUE(t->HasEnded());
}

TEST(Thread, TerminateStopsAThreadThatIgnoresEveryRequest) {
  std::atomic<bool> started{false};
  auto t = kernel::Thread::Start("stubborn", [&] {
    started = true;
    for (;;) ::usleep(1000);  // a cancellation point on every pass
  });
  ASSERT_NE(t, nullptr);
  while (!started) std::this_thread::yield();
  EXPECT_FALSE(t->TimedJoin(1ms));
  t->Terminate();
  EXPECT_TRUE(t->HasEnded());
}

}  // namespace
