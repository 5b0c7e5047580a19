// The batch worker driven end to end with stand-in converters: both routes, the log lines and
// their order, the skip of "√" rows, and every failure that must not pass for success.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>

#include "EngineFixture.h"
#include "kernel/exe_path.h"
#include "kernel/text_conv.h"

namespace {

using Strings = std::vector<std::wstring>;

std::string N(const std::wstring& w) {
  return kernel::WideToNarrow(w).value();
}

// The events without the log lines' timestamps.
Strings WithoutStamps(const Strings& events) {
  Strings out;
  for (const auto& e : events) {
    if (e.rfind(L"log ", 0) != 0 || e.size() < 28) {
      out.push_back(e);
    } else if (!IsMinuteLine(e)) {
      out.push_back(L"log " + e.substr(28));
    }
  }
  return out;
}

TEST_F(EngineTest, ClipRemuxerRouteRunsTheConverterOnThePipeAndMarksTheRow) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("cam01.part2.tqv", false);
  WriteScript("cam01.part2.tqv",
              "out @@[cv]+cam01>##<Progress:37\\r\\n\n"
              "out @@[cv]+cam01>##<Progress:100\\r\\n\n"
              "exit 0\n");
  m_host.AddRow(L"cam01.part2.tqv", RecFolderW());
  RunBatch();

  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0],
            (std::vector<std::string>{ToolDir() + "/ClipRemuxer", RecDir() + "/cam01.part2.tqv",
                                      RecDir() + "/cam01.avi"}));
  EXPECT_EQ(WithoutStamps(m_host.Events()),
            (Strings{L"buttons off", L"log 转码服务启动...", L"begin 0",
                     L"log 转码任务[cam01.part2.tqv]开始...", L"log 转码任务[cam01.part2.tqv]结束.",
                     L"finish 0 √", L"log 转码服务结束...", L"buttons on"}));
  LogTexts();  // every line carries its timestamp
  // The reader's statuses, in order, among the watchdog's markers.
  Strings reported;
  for (const auto& [name, status] : m_host.Statuses()) {
    if (status.size() < 2 || status.substr(status.size() - 2) != L"->") {
      EXPECT_EQ(name, L"cam01");
      reported.push_back(status);
    }
  }
  EXPECT_EQ(reported, (Strings{L"37", L"√"}));
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
  // The probe's side file stays beside a recording that is not H.265.
  EXPECT_TRUE(std::filesystem::exists(RecDir() + "/cam01.part2.tqv.h265"));
}

TEST_F(EngineTest, H265RouteRunsFfmpegOnTheSideFileAndDeletesIt) {
  InstallStandIn("ffmpeg");
  // A name that a shell or a naive split would break apart.
  const std::string name = "录像 \"01\".tqv";
  WriteRecording(name, true);
  m_clock->autoAdvance = true;  // only the monitors' time checks end an ffmpeg conversion
  m_host.AddRow(kernel::NarrowToWide(name), RecFolderW());
  RunBatch();

  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0],
            (std::vector<std::string>{ToolDir() + "/ffmpeg", "-i", RecDir() + "/" + name + ".h265",
                                      RecDir() + "/录像 \"01\".avi", "-y"}));
  EXPECT_FALSE(std::filesystem::exists(RecDir() + "/" + name + ".h265"));
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
  const auto logs = LogTexts();
  const Strings expected{L"转码服务启动...",
                         L"转码任务[" + kernel::NarrowToWide(name) + L"]开始...",
                         L"转码任务[" + kernel::NarrowToWide(name) + L"]结束.", L"转码服务结束..."};
  // Minute lines of the watchdog may come between; the worker's own lines keep their order.
  Strings own;
  for (const auto& l : logs) {
    if (l.find(L"已转码") == std::wstring::npos) own.push_back(l);
  }
  EXPECT_EQ(own, expected);
}

TEST_F(EngineTest, RowsMarkedExactlyCheckAreSkipped) {
  InstallStandIn("ClipRemuxer");
  const std::vector<std::pair<std::string, std::wstring>> rows{
      {"a.tqv", L"√"}, {"b.tqv", L"×"}, {"c.tqv", L"√ "}, {"d.tqv", L"37"}, {"e.tqv", L"√"}};
  for (const auto& [file, status] : rows) {
    WriteRecording(file, false);
    WriteScript(file, "out @@[cv]+x>##<Progress:100\\r\\n\n");
    m_host.AddRow(kernel::NarrowToWide(file), RecFolderW(), status);
  }
  RunBatch();
  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0][1], RecDir() + "/b.tqv");
  EXPECT_EQ(calls[1][1], RecDir() + "/c.tqv");
  EXPECT_EQ(calls[2][1], RecDir() + "/d.tqv");
  for (const auto& row : m_host.Rows()) EXPECT_EQ(row.status, L"√") << N(row.name);
  // Nothing is logged for a skipped row.
  for (const auto& l : LogTexts()) {
    EXPECT_EQ(l.find(L"[a.tqv]"), std::wstring::npos);
    EXPECT_EQ(l.find(L"[e.tqv]"), std::wstring::npos);
  }
}

TEST_F(EngineTest, EmptyListLogsStartAndEndAndEnablesTheButtons) {
  RunBatch();
  EXPECT_EQ(WithoutStamps(m_host.Events()), (Strings{L"buttons off", L"log 转码服务启动...",
                                                     L"log 转码服务结束...", L"buttons on"}));
}

// Failures of a ClipRemuxer conversion: the line logged before "结束." and the final status.
struct FailureCase {
  const char* label;
  const char* script;      // empty: no ClipRemuxer in the tool folder
  const wchar_t* failure;  // the line between the start (if any) and the end
  bool started;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.label;
}

class ConversionFailure : public EngineTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConversionFailure, IsLoggedAndLeavesTheRowUnconverted) {
  const auto& c = GetParam();
  if (c.script[0] != '\0') {
    InstallStandIn("ClipRemuxer");
    WriteScript("bad.tqv", c.script);
  }
  WriteRecording("bad.tqv", false);
  m_clock->autoAdvance = true;  // a converter that dies silently is noticed by the time checks
  m_host.AddRow(L"bad.tqv", RecFolderW());
  RunBatch();

  Strings own;
  for (const auto& l : LogTexts()) {
    if (l.find(L"错误信息") == std::wstring::npos) {
      own.push_back(l);
    }
  }
  Strings expected{L"转码服务启动..."};
  if (c.started) expected.push_back(L"转码任务[bad.tqv]开始...");
  expected.push_back(c.failure);
  expected.push_back(L"转码任务[bad.tqv]结束.");
  expected.push_back(L"转码服务结束...");
  EXPECT_EQ(own, expected);
  EXPECT_EQ(m_host.Rows()[0].status, L"×");
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConversionFailure,
    ::testing::Values(
        FailureCase{"exit code after a final report",
                    "out @@[cv]+bad>##<Progress:100\\r\\n\nexit 3\n",
                    L"转码任务[bad.tqv]失败(退出码3).", true},
        FailureCase{"error report, exit 0", "out @@[cv]-open failed\\r\\n\nexit 0\n",
                    L"转码任务[bad.tqv]失败.", true},
        // The error report arrives only after the converter has ended: the worker still sees it.
        FailureCase{"late error report", "sleep 5\nout @@[cv]-late\\r\\n\nexit 0\n",
                    L"转码任务[bad.tqv]失败.", true},
        FailureCase{"crash without a report", "out @@[cv]+bad>##<Progress:12\\r\\n\nkill 9\n",
                    L"转码任务[bad.tqv]失败(退出码137).", true},
        FailureCase{"crash after the final report",
                    "out @@[cv]+bad>##<Progress:100\\r\\n\nsleep 20\nkill 6\n",
                    L"转码任务[bad.tqv]失败(退出码134).", true},
        FailureCase{"missing converter", "", L"转码任务[bad.tqv]启动失败.", false}));

TEST_F(EngineTest, ErrorReportIsLoggedWithItsLineEnd) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("bad.tqv", false);
  WriteScript("bad.tqv", "out @@[cv]-打开失败: no such file\\r\\n\n");
  m_host.AddRow(L"bad.tqv", RecFolderW());
  RunBatch();
  const auto logs = LogTexts();
  ASSERT_GE(logs.size(), 3u);
  EXPECT_EQ(logs[2], L"错误信息:打开失败: no such file\r\n");
}

TEST_F(EngineTest, MissingFfmpegFailsTheRowAndStillDeletesTheSideFile) {
  // No ffmpeg beside the tool and none on PATH.
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath != nullptr ? oldPath : "";
  ::setenv("PATH", "/nonexistent", 1);
  WriteRecording("h.tqv", true);
  m_host.AddRow(L"h.tqv", RecFolderW());
  RunBatch();
  ::setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(LogTexts(), (Strings{L"转码服务启动...", L"转码任务[h.tqv]启动失败.",
                                 L"转码任务[h.tqv]结束.", L"转码服务结束..."}));
  EXPECT_FALSE(std::filesystem::exists(RecDir() + "/h.tqv.h265"));
  EXPECT_EQ(m_host.Rows()[0].status, L"×");
}

TEST_F(EngineTest, FfmpegFromPathIsUsedWhenTheToolFolderHasNone) {
  // A folder on PATH holds the stand-in ffmpeg; the tool folder has none.
  const std::string pathDir = Dir() + "/bin";
  std::filesystem::create_directories(pathDir);
  std::filesystem::create_symlink(kernel::ExecutablePathNarrow(), pathDir + "/ffmpeg");
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath != nullptr ? oldPath : "";
  ::setenv("PATH", ("relative:" + pathDir + ":" + saved).c_str(), 1);
  WriteRecording("h.tqv", true);
  m_clock->autoAdvance = true;
  m_host.AddRow(L"h.tqv", RecFolderW());
  RunBatch();
  ::setenv("PATH", saved.c_str(), 1);
  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0][0], pathDir + "/ffmpeg");
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
}

TEST_F(EngineTest, ConvertersGetThePipeOrDevNullAndNothingElse) {
  InstallStandIn("ClipRemuxer");
  InstallStandIn("ffmpeg");
  WriteRecording("a.tqv", false);
  WriteRecording("h.tqv", true);
  WriteScript("a.tqv", "fds " + Dir() + "/fds_clip\nout @@[cv]+a>##<Progress:100\\r\\n\n");
  WriteScript("h.tqv.h265", "fds " + Dir() + "/fds_ffmpeg\n");
  m_clock->autoAdvance = true;
  m_host.AddRow(L"a.tqv", RecFolderW());
  m_host.AddRow(L"h.tqv", RecFolderW());
  RunBatch();
  auto read = [](const std::string& path) {
    std::ifstream f(path);
    return std::string(std::istreambuf_iterator<char>(f), {});
  };
  EXPECT_EQ(read(Dir() + "/fds_clip"), "0 pipe\n1 pipe\n2 pipe\n");
  EXPECT_EQ(read(Dir() + "/fds_ffmpeg"), "0 /dev/null\n1 /dev/null\n2 /dev/null\n");
  for (const auto& row : m_host.Rows()) EXPECT_EQ(row.status, L"√");
}

TEST_F(EngineTest, WorkerWaitsForTheChildAfterItsFinalReport) {
  // The final report releases the event at once, but the exit code, known only once the child has
  // ended, decides the row.
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  WriteScript("a.tqv", "out @@[cv]+a>##<Progress:100\\r\\n\nsleep 30\nexit 5\n");
  m_host.AddRow(L"a.tqv", RecFolderW());
  RunBatch();
  EXPECT_EQ(m_host.Rows()[0].status, L"×");
  const auto logs = LogTexts();
  EXPECT_NE(std::find(logs.begin(), logs.end(), L"转码任务[a.tqv]失败(退出码5)."), logs.end());
}

TEST_F(EngineTest, SecondBatchRetriesFailedRowsWithFreshMonitors) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  WriteRecording("b.tqv", false);
  WriteScript("a.tqv", "out @@[cv]-broken\\r\\n\n");
  WriteScript("b.tqv", "out @@[cv]+b>##<Progress:100\\r\\n\n");
  m_host.AddRow(L"a.tqv", RecFolderW());
  m_host.AddRow(L"b.tqv", RecFolderW());
  RunBatch();
  EXPECT_EQ(m_host.Rows()[0].status, L"×");
  EXPECT_EQ(m_host.Rows()[1].status, L"√");
  WriteScript("a.tqv", "out @@[cv]+a>##<Progress:100\\r\\n\n");
  RunBatch();
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 3u);  // a, b, then only a again
  EXPECT_EQ(calls[2][1], RecDir() + "/a.tqv");
}

TEST_F(EngineTest, RowCountTakenAtBatchStartBoundsTheLoop) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  WriteRecording("b.tqv", false);
  WriteScript("a.tqv", "sleep 30\nout @@[cv]+a>##<Progress:100\\r\\n\n");
  m_host.AddRow(L"a.tqv", RecFolderW());
  ASSERT_TRUE(m_context->StartBatch());
  ASSERT_TRUE(WaitUntil([this] { return Calls().size() == 1; }));
  m_host.AddRow(L"b.tqv", RecFolderW());  // added while the batch runs
  ASSERT_TRUE(WaitUntil([this] { return !m_context->IsBatchRunning(); }));
  m_context->StopBatch();
  EXPECT_EQ(Calls().size(), 1u);
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
  EXPECT_EQ(m_host.Rows()[1].status, L"×");
}

TEST_F(EngineTest, ManyRowsEachEndWithAFinalStatus) {
  InstallStandIn("ClipRemuxer");
  for (int i = 0; i < 20; ++i) {
    const std::string file = "r" + std::to_string(i) + ".tqv";
    WriteRecording(file, false);
    WriteScript(file, i % 3 == 0 ? "out @@[cv]+r>##<Progress:50\\r\\n\nexit 1\n"
                                 : "out @@[cv]+r" + std::to_string(i) + ">##<Progress:100\\r\\n\n");
    m_host.AddRow(kernel::NarrowToWide(file), RecFolderW());
  }
  m_clock->autoAdvance = true;  // the failing rows end without a final report
  RunBatch();
  const auto rows = m_host.Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].status, i % 3 == 0 ? L"×" : L"√") << i;
  }
}

}  // namespace
