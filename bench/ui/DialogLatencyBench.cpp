// The main dialog with 1,000 rows while 10,000 status messages a second arrive (the rate of a
// fast converter's progress lines and the watchdog's markers together). A probe thread asks the
// GUI thread for an answer every 10 ms, as the batch worker's synchronous calls do, and measures
// how long the answer takes. Prints the latency figures and the statuses handled per second.
//
//   bench_ui [seconds]   (default 5; runs offscreen unless QT_QPA_PLATFORM says otherwise)
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "ui/RecMorphDlg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
  constexpr int kRows = 1000;
  constexpr int kStatusesPerSecond = 10000;

  QApplication app(argc, argv);
  CRecMorphDlg dlg(ConversionTiming::Real(), [](kernel::MemoryStatus& s) {
    s = {8ull << 30, 4ull << 30, 50};
    return true;
  });
  if (!dlg.Create()) return 1;
  for (int i = 0; i < kRows; ++i) {
    dlg.AddRecordingPath(L"/rec/camera_" + std::to_wstring(i) + L".tqv");
  }

  std::atomic<bool> stop{false};
  std::atomic<long> posted{0};
  std::atomic<bool> producerDone{false};
  std::atomic<bool> probeDone{false};
  std::thread producer([&] {
    // Batches of 100 every 10 ms; names spread over every row, the last ones included.
    std::mt19937 random(7);
    auto next = Clock::now();
    int tick = 0;
    while (!stop) {
      for (int i = 0; i < kStatusesPerSecond / 100; ++i) {
        const int row = static_cast<int>(random() % kRows);
        const std::wstring status = (tick % 2) ? std::to_wstring(row % 100) : L"---->";
        dlg.PostItemStatus(SysAllocString(L"CAMERA_" + std::to_wstring(row)),
                           SysAllocString(status));
        ++posted;
      }
      ++tick;
      next += std::chrono::milliseconds(10);
      std::this_thread::sleep_until(next);
    }
    producerDone = true;
  });

  std::vector<double> latenciesMs;  // probe thread only until joined
  std::thread probe([&] {
    while (!stop) {
      const auto start = Clock::now();
      int count = 0;
      dlg.CallOnGuiThread([&] { count = dlg.FileList().GetItemCount(); });
      if (count == kRows) {
        latenciesMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    probeDone = true;
  });

  const auto begin = Clock::now();
  QTimer::singleShot(static_cast<int>(seconds * 1000), &app, [&] {
    stop = true;
    // Keep serving the probe's last call until both threads have ended.
    while (!probeDone || !producerDone) QCoreApplication::processEvents();
    producer.join();
    probe.join();
    app.quit();
  });
  app.exec();
  QCoreApplication::sendPostedEvents();
  const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();

  std::printf("rows: %d\n", kRows);
  std::printf("statuses posted: %ld in %.2f s (%.0f per second)\n", posted.load(), elapsed,
              static_cast<double>(posted.load()) / elapsed);
  std::printf(
      "GUI-thread answer latency over %zu probes: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
      latenciesMs.size(), Percentile(latenciesMs, 0.5), Percentile(latenciesMs, 0.99),
      latenciesMs.empty() ? 0.0 : *std::max_element(latenciesMs.begin(), latenciesMs.end()));
  dlg.DestroyWindow();
  return 0;
}
