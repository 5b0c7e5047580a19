#include "kernel/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "kernel/exe_path.h"
#include "kernel/pipe.h"

using namespace std::chrono_literals;

namespace {

std::vector<std::string> ChildArgs(const std::vector<std::string>& rest) {
  std::vector<std::string> argv{kernel::ExecutablePathNarrow(), "--child"};
  argv.insert(argv.end(), rest.begin(), rest.end());
  return argv;
}

// Everything the read end holds until every write end is closed.
std::string ReadAll(int fd) {
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  return out;
}

// A child started with its standard output on a fresh pipe; the pipe's write end is closed in this
// process once the child has it, so that reading ends with the child.
struct Captured {
  std::unique_ptr<kernel::Process> process;
  std::string output;
};

Captured RunCaptured(const std::vector<std::string>& argv) {
  int fds[2];
  EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  kernel::StdHandles h;
  h.output = fds[1];
  Captured c;
  c.process = kernel::Process::Spawn(argv, h);
  ::close(fds[1]);
  c.output = ReadAll(fds[0]);
  ::close(fds[0]);
  return c;
}

struct ExitCase {
  std::vector<std::string> args;
  int code;
};

void PrintTo(const ExitCase& c, std::ostream* os) {
  for (const auto& a : c.args) *os << a << ' ';
}

class ProcessExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ProcessExit, ExitCodeIsTheStatusOr128PlusTheSignal) {
  auto p = kernel::Process::Spawn(ChildArgs(GetParam().args), {});
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->WaitForExit(), GetParam().code);
  EXPECT_EQ(p->GetExitCode(), GetParam().code);
  EXPECT_FALSE(p->Terminate());
}

INSTANTIATE_TEST_SUITE_P(Table, ProcessExit,
                         ::testing::Values(ExitCase{{"exit", "0"}, 0}, ExitCase{{"exit", "3"}, 3},
                                           ExitCase{{"signal", "15"}, 128 + SIGTERM},
                                           ExitCase{{"signal", "9"}, 128 + SIGKILL}));

TEST(Process, ArgumentsArriveIntactWithoutAShell) {
  const std::vector<std::string> tricky{"a \"quoted\" name.tqv", "  spaces  ", "录像 01.tqv",
                                        "$(echo no)", "*"};
  std::vector<std::string> argv = ChildArgs({"args"});
  argv.insert(argv.end(), tricky.begin(), tricky.end());
  auto c = RunCaptured(argv);
  ASSERT_NE(c.process, nullptr);
  EXPECT_EQ(c.process->WaitForExit(), 0);
  std::string expected;
  for (const auto& a : tricky) expected += a + "\n";
  EXPECT_EQ(c.output, expected);
}

TEST(Process, ChildGetsOnlyItsThreeStandardHandles) {
  // A descriptor opened without close-on-exec must not leak into the child either.
  const int leaky = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(leaky, 3);
  auto c = RunCaptured(ChildArgs({"fds"}));
  ::close(leaky);
  ASSERT_NE(c.process, nullptr);
  EXPECT_EQ(c.process->WaitForExit(), 0);
  EXPECT_EQ(c.output, "0\n1\n2\n");
}

TEST(Process, NullStandardHandlesAreDevNull) {
  // With /dev/null as input, "cat" sees the end of data at once and exits 0.
  auto p = kernel::Process::Spawn(ChildArgs({"cat"}), {});
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->WaitForExit(), 0);
}

TEST(Process, MissingProgramFailsToStart) {
  int error = 0;
  auto p = kernel::Process::Spawn({"/nonexistent/ClipRemuxer", "a", "b"}, {}, &error);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(error, ENOENT);
}

TEST(Process, TerminateEndsARunningChild) {
  auto in = kernel::Pipe::Create();
  ASSERT_NE(in, nullptr);
  kernel::StdHandles h;
  h.input = in->ReadFd();  // the child blocks reading; the write end stays open here
  auto p = kernel::Process::Spawn(ChildArgs({"cat"}), h);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetExitCode(), kernel::kStillActive);
  EXPECT_TRUE(p->Terminate());
  EXPECT_EQ(p->WaitForExit(), 128 + SIGKILL);
  EXPECT_FALSE(p->Terminate());
}

TEST(Process, WaitForProcessAndEventNeedsBoth) {
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  kernel::StdHandles h;
  h.input = fds[0];
  auto p = kernel::Process::Spawn(ChildArgs({"cat"}), h);
  ASSERT_NE(p, nullptr);
  ::close(fds[0]);
  kernel::Event done(kernel::Event::ResetPolicy::kAutomatic,
                     kernel::Event::InitialState::kNotSignaled);
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    kernel::WaitForProcessAndEvent(*p, done);
    returned = true;
  });
  // The event alone does not end the wait while the child runs ...
  done.Signal();
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(returned);
  // ... and it stays pending until the child has ended; then the wait consumes it.
  ::close(fds[1]);
  waiter.join();
  EXPECT_TRUE(returned);
  EXPECT_FALSE(done.IsSignaled());
  EXPECT_EQ(p->GetExitCode(), 0);
}

TEST(Process, WaitForProcessAndEventWaitsForTheEventAfterTheChildEnded) {
  auto p = kernel::Process::Spawn(ChildArgs({"exit", "0"}), {});
  ASSERT_NE(p, nullptr);
  kernel::Event done(kernel::Event::ResetPolicy::kAutomatic,
                     kernel::Event::InitialState::kNotSignaled);
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    kernel::WaitForProcessAndEvent(*p, done);
    returned = true;
  });
  p->WaitForExit();
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(returned);
  done.Signal();
  waiter.join();
  EXPECT_TRUE(returned);
}

TEST(Process, ConcurrentQueriesReapOnce) {
  auto p = kernel::Process::Spawn(ChildArgs({"exit", "7"}), {});
  ASSERT_NE(p, nullptr);
  std::thread poller([&] {
    while (p->GetExitCode() == kernel::kStillActive) std::this_thread::yield();
  });
  EXPECT_EQ(p->WaitForExit(), 7);
  poller.join();
  EXPECT_EQ(p->GetExitCode(), 7);
}

}  // namespace
