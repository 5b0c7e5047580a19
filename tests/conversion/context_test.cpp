// The context's own rules: no batch without its pipe and event, one batch at a time, stopping at
// teardown, the monitor stop rule, and the done-event protocol.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "EngineFixture.h"
#include "kernel/text_conv.h"

using namespace std::chrono_literals;

// Reaches the context's private monitor stop rule.
class ConversionContextTest {
 public:
  static void StopMonitor(CConversionContext& c, std::unique_ptr<kernel::Thread>& t) {
    c.StopMonitorThread(t);
  }
};

namespace {

TEST_F(EngineTest, BatchWithoutItsContextStartsNothing) {
  FakeHost host;
  CConversionContext bare(host, ConversionTiming::Real());  // never opened
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  host.AddRow(L"a.tqv", RecFolderW());
  bare.SetToolFolder(kernel::NarrowToWide(ToolDir()));
  ASSERT_TRUE(bare.StartBatch());
  ASSERT_TRUE(WaitUntil([&] { return !bare.IsBatchRunning(); }));
  bare.StopBatch();
  const auto logs = host.Logs();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].substr(24), L"初始化信息管道信息失败.");
  EXPECT_EQ(host.Events().size(), 1u);  // no buttons, no rows
  EXPECT_TRUE(Calls().empty());
}

TEST_F(EngineTest, OpenContextAnswersFalseWhenNoPipeCanBeMade) {
  // With the descriptor limit at the highest descriptor in use, no pipe can be made.
  int highest = 2;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    highest = std::max(highest, std::atoi(e.path().filename().c_str()));
  }
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(highest) + 1;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  // Fill the holes below the limit as well.
  std::vector<int> fillers;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(fd);
  FakeHost host;
  CConversionContext context(host, ConversionTiming::Real());
  const bool opened = context.OpenContext();
  for (int fd : fillers) ::close(fd);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_FALSE(opened);
  // A batch then starts nothing.
  ASSERT_TRUE(context.StartBatch());
  ASSERT_TRUE(WaitUntil([&] { return !context.IsBatchRunning(); }));
  context.StopBatch();
  ASSERT_EQ(host.Logs().size(), 1u);
  EXPECT_EQ(host.Logs()[0].substr(24), L"初始化信息管道信息失败.");
}

TEST_F(EngineTest, OneBatchAtATimeAndStopEndsTheRunningConverter) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  WriteRecording("b.tqv", false);
  WriteScript("a.tqv", "hang\n");
  m_host.AddRow(L"a.tqv", RecFolderW());
  m_host.AddRow(L"b.tqv", RecFolderW());
  ASSERT_TRUE(m_context->StartBatch());
  ASSERT_TRUE(WaitUntil([this] { return Calls().size() == 1; }));
  EXPECT_TRUE(m_context->IsBatchRunning());
  EXPECT_FALSE(m_context->StartBatch());  // refused while the batch runs
  m_context->StopBatch();
  EXPECT_FALSE(m_context->IsBatchRunning());
  // The hanging converter was ended and the next row never started.
  EXPECT_EQ(Calls().size(), 1u);
  const auto logs = LogTexts();
  EXPECT_NE(std::find(logs.begin(), logs.end(), L"转码任务[a.tqv]失败(退出码137)."), logs.end());
  EXPECT_EQ(logs.back(), L"转码服务结束...");
  // A new batch may start after the stop.
  WriteScript("a.tqv", "out @@[cv]+a>##<Progress:100\\r\\n\n");
  WriteScript("b.tqv", "out @@[cv]+b>##<Progress:100\\r\\n\n");
  RunBatch();
  for (const auto& row : m_host.Rows()) EXPECT_EQ(row.status, L"√");
}

TEST_F(EngineTest, CloseContextDuringABatchStopsEverything) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  WriteScript("a.tqv", "hang\n");
  m_host.AddRow(L"a.tqv", RecFolderW());
  ASSERT_TRUE(m_context->StartBatch());
  ASSERT_TRUE(WaitUntil([this] { return Calls().size() == 1; }));
  m_context->CloseContext();
  EXPECT_FALSE(m_context->IsBatchRunning());
  // Without the event, a later batch starts nothing.
  const auto before = m_host.Logs().size();
  ASSERT_TRUE(m_context->StartBatch());
  ASSERT_TRUE(WaitUntil([this] { return !m_context->IsBatchRunning(); }));
  m_context->StopBatch();
  const auto logs = m_host.Logs();
  ASSERT_EQ(logs.size(), before + 1);
  EXPECT_EQ(logs.back().substr(24), L"初始化信息管道信息失败.");
}

TEST_F(EngineTest, CloseContextWhenIdleIsQuick) {
  m_context->CloseContext();
  m_context->CloseContext();  // twice is harmless
  EXPECT_TRUE(m_host.Events().empty());
}

TEST_F(EngineTest, MonitorThatIgnoresItsStopIsStoppedAfterTheLimit) {
  std::atomic<bool> started{false};
  auto stubborn = kernel::Thread::Start("watchdog", [&] {
    started = true;
    for (;;) std::this_thread::sleep_for(1ms);
  });
  ASSERT_NE(stubborn, nullptr);
  while (!started) std::this_thread::yield();
  ConversionTiming timing = ConversionTiming::Real();
  timing.stopLimit = std::chrono::milliseconds(20);
  CConversionContext context(m_host, timing);
  ConversionContextTest::StopMonitor(context, stubborn);
  EXPECT_EQ(stubborn, nullptr);
  std::unique_ptr<kernel::Thread> none;
  ConversionContextTest::StopMonitor(context, none);  // a null member: nothing to wait for
  EXPECT_EQ(none, nullptr);
}

TEST_F(EngineTest, WatchdogMovesTheMarkerAndLogsEveryMinute) {
  // A converter that runs while the clock moves 125 simulated seconds.
  InstallStandIn("ClipRemuxer");
  WriteRecording("clip01.tqv", false);
  WriteScript("clip01.tqv", "hang\n");
  m_host.AddRow(L"clip01.tqv", RecFolderW());
  ASSERT_TRUE(m_context->StartBatch());
  ASSERT_TRUE(WaitUntil([this] { return Calls().size() == 1; }));
  const std::int64_t start = m_clock->now.load();
  // Walk the clock one second at a time, letting the watchdog pass at each step.
  for (int s = 1; s <= 125; ++s) {
    const auto seen = m_host.Statuses().size();
    m_clock->now = start + s;
    ASSERT_TRUE(WaitUntil([&] { return m_host.Statuses().size() >= seen + 2; }));
  }
  m_context->StopBatch();
  // Markers posted for the probed name (empty until the probe has set it); the minute lines at
  // 60 and 120.
  bool sawThree = false;
  for (const auto& [name, status] : m_host.Statuses()) {
    if (status.size() >= 2 && status.substr(status.size() - 2) == L"->" && !name.empty()) {
      EXPECT_EQ(name, L"clip01");
      sawThree = sawThree || status == L"---->";
    }
  }
  EXPECT_TRUE(sawThree);
  std::vector<std::wstring> minutes;
  for (const auto& l : LogTexts(true)) {
    if (IsMinuteLine(l) && l.find(L"[clip01]") != std::wstring::npos) minutes.push_back(l);
  }
  // Several passes may see the same second; each minute shows up once it has been reached (0
  // included: the passes before the clock first moved).
  minutes.erase(std::unique(minutes.begin(), minutes.end()), minutes.end());
  EXPECT_EQ(minutes, (std::vector<std::wstring>{L"转码任务[clip01]已转码 0 S ... ",
                                                L"转码任务[clip01]已转码 60 S ... ",
                                                L"转码任务[clip01]已转码 120 S ... "}));
}

}  // namespace
