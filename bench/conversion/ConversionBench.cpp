// Benchmarks of the conversion engine with the real clock and limits.
//
//   reader flood:     a stand-in ClipRemuxer writes 8 MiB of other lines, then "Progress:100".
//                     Figure: the batch's time minus the stand-in's own run time (writing the same
//                     output to /dev/null).
//   per-row overhead: 100 ClipRemuxer rows whose stand-in reports "Progress:100" and exits.
//                     Figure: (batch time - 100 runs of the stand-in on its own) / 100.
//
// Both are given twice: up to the last row's final status ("rows"), and up to the worker's last
// step ("batch"), which also waits for the watchdog to see its stop request at the end of its
// current one-second pass. Each figure is the median of three runs.
//
// Run as "ClipRemuxer <recording> <output>" (through a link), the program is the stand-in: it
// writes $BENCH_FLOOD bytes of other lines, then the final report, and exits 0.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "conversion/ConversionContext.h"
#include "kernel/exe_path.h"
#include "kernel/ole_string.h"
#include "kernel/process.h"
#include "kernel/text_conv.h"
#include "tools/samplemaker/TqvWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

void WriteAll(int fd, const std::string& s) {
  std::size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = ::write(fd, s.data() + done, s.size() - done);
    if (n <= 0) std::_Exit(3);
    done += static_cast<std::size_t>(n);
  }
}

[[noreturn]] void StandIn() {
  const char* env = std::getenv("BENCH_FLOOD");
  const std::size_t total = env != nullptr ? std::strtoull(env, nullptr, 10) : 0;
  const std::string other = "Converting frame, nothing to report here at all.\r\n";
  std::string block;
  while (block.size() + other.size() <= 65536) block += other;
  std::size_t written = 0;
  while (written + block.size() <= total) {
    WriteAll(1, block);
    written += block.size();
  }
  while (written + other.size() <= total) {
    WriteAll(1, other);
    written += other.size();
  }
  WriteAll(1, "@@[cv]+bench>##<Progress:100\r\n");
  std::_Exit(0);
}

// A host that keeps the rows and drops every message.
class BenchHost : public IConversionHost {
 public:
  explicit BenchHost(std::vector<std::wstring> names, std::wstring folder)
      : m_names(std::move(names)), m_status(m_names.size(), L"×"), m_folder(std::move(folder)) {}
  int GetItemCount() override { return static_cast<int>(m_names.size()); }
  std::wstring GetItemText(int row, int column) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return column == 0 ? m_names[row] : m_status[row];
  }
  std::wstring GetItemFolder(int) override { return m_folder; }
  void EnableBatchButtons(bool) override {}
  void BeginRow(int) override {}
  void FinishRow(int row, const std::wstring& status) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_status[row] = status;
    m_lastFinish = Clock::now();
  }
  Clock::time_point LastFinish() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastFinish;
  }
  void PostLogLine(BSTR line) override { SysFreeString(line); }
  void PostItemStatus(BSTR name, BSTR status) override {
    SysFreeString(name);
    SysFreeString(status);
  }
  int Converted() {
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const auto& s : m_status) n += s == L"√";
    return n;
  }

 private:
  const std::vector<std::wstring> m_names;
  std::mutex m_mutex;  // guards m_status
  std::vector<std::wstring> m_status;
  Clock::time_point m_lastFinish{};
  const std::wstring m_folder;
};

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Runs the stand-in on its own `runs` times, its output to /dev/null; answers the total time.
double StandInAlone(const std::string& tool, const std::string& recording, int runs) {
  const auto start = Clock::now();
  for (int i = 0; i < runs; ++i) {
    auto p = kernel::Process::Spawn({tool, recording, "/dev/null"}, {});
    if (!p) return -1;
    p->WaitForExit();
  }
  return Seconds(Clock::now() - start);
}

struct BatchTimes {
  double rows = -1;   // start to the last row's final status
  double batch = -1;  // start to the worker's last step
  int converted = 0;
};

// Runs one batch over rows and answers its times.
BatchTimes RunBatch(const std::string& toolDir, const std::string& recDir, int rows) {
  BatchTimes times;
  std::vector<std::wstring> names;
  for (int i = 0; i < rows; ++i) names.push_back(L"r" + std::to_wstring(i) + L".tqv");
  BenchHost host(names, kernel::NarrowToWide(recDir + "/"));
  CConversionContext context(host);
  context.SetToolFolder(kernel::NarrowToWide(toolDir));
  if (!context.OpenContext()) return times;
  const auto start = Clock::now();
  if (!context.StartBatch()) return times;
  while (context.IsBatchRunning()) std::this_thread::sleep_for(std::chrono::microseconds(200));
  times.batch = Seconds(Clock::now() - start);
  times.rows = Seconds(host.LastFinish() - start);
  context.CloseContext();
  times.converted = host.Converted();
  return times;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string self = argv[0];
  if (self.size() >= 11 && self.compare(self.size() - 11, 11, "ClipRemuxer") == 0) StandIn();
  (void)argc;

  std::string dir = (std::filesystem::temp_directory_path() / "rm_bench_XXXXXX").string();
  if (::mkdtemp(dir.data()) == nullptr) return 1;
  const std::string toolDir = dir + "/tools";
  const std::string recDir = dir + "/rec";
  std::filesystem::create_directories(toolDir);
  std::filesystem::create_directories(recDir);
  std::filesystem::create_symlink(kernel::ExecutablePathNarrow(), toolDir + "/ClipRemuxer");
  for (int i = 0; i < 100; ++i) {
    TqvFrame f;
    f.type = 1;
    f.payload.assign(1024, 7);
    WriteTqvFile(recDir + "/r" + std::to_string(i) + ".tqv", 2, {f, f, f});
  }
  // The stand-in's traces would drown the figures; the engine's go to standard output too.
  std::fflush(stdout);
  const int savedOut = ::dup(1);
  const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);

  auto quiet = [&] {
    std::fflush(stdout);
    ::dup2(devNull, 1);
  };
  auto loud = [&] {
    std::fflush(stdout);
    ::dup2(savedOut, 1);
  };

  // Medians over three runs of the stand-ins alone and of a batch of the same rows.
  std::vector<double> alone, rowsTime, batchTime;
  int converted = 0;
  const auto measure = [&](int rows) {
    alone.clear();
    rowsTime.clear();
    batchTime.clear();
    for (int run = 0; run < 3; ++run) {
      alone.push_back(StandInAlone(toolDir + "/ClipRemuxer", recDir + "/r0.tqv", rows));
      quiet();
      const BatchTimes t = RunBatch(toolDir, recDir, rows);
      loud();
      rowsTime.push_back(t.rows);
      batchTime.push_back(t.batch);
      converted = t.converted;
    }
  };

  // Reader flood.
  ::setenv("BENCH_FLOOD", "8388608", 1);
  measure(1);
  std::printf(
      "reader flood (8 MiB of other lines, then Progress:100):\n"
      "  stand-in alone %.3f s; rows %.3f s (+%.3f s); batch %.3f s (+%.3f s); "
      "converted %d of 1\n",
      Median(alone), Median(rowsTime), Median(rowsTime) - Median(alone), Median(batchTime),
      Median(batchTime) - Median(alone), converted);

  // Per-row overhead.
  ::setenv("BENCH_FLOOD", "0", 1);
  measure(100);
  std::printf(
      "per-row overhead (100 rows ending with Progress:100):\n"
      "  stand-ins alone %.3f s; rows %.3f s (%.2f ms per row beyond); batch %.3f s "
      "(%.2f ms per row beyond); converted %d of 100\n",
      Median(alone), Median(rowsTime), (Median(rowsTime) - Median(alone)) * 10.0, Median(batchTime),
      (Median(batchTime) - Median(alone)) * 10.0, converted);

  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
