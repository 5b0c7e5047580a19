// WatchdogThread: wakes once a period; notices a converter that has ended while the worker still
// waits for it, moves a marker in the current file's status, and once a minute logs how long the
// batch has been converting.
#include <algorithm>

#include "conversion/ConversionContext.h"
#include "conversion/WatchdogText.h"

unsigned WatchdogThread(CConversionContext* context) {
  CConversionContext& c = *context;
  const ConversionTiming& timing = c.m_timing;
  kernel::Event& done = *c.m_hDoneEvent;
  const std::int64_t start = timing.now();

  for (;;) {
    timing.sleep(timing.watchdogPeriod);

    // Exit check, once more than the limit of batch time has passed.
    if (g_bConverting.load() != 0) {
      std::lock_guard<std::mutex> lock(g_csConvertProcess);
      if (g_bConverting.load() != 0 && g_hConvertProcess != nullptr) {
        const std::int64_t e = timing.now() - start;
        if (e > timing.exitCheckAfterSeconds) {
          const int code = g_hConvertProcess->GetExitCode();
          if (code != kernel::kStillActive) {
            g_hConvertProcess->Terminate();  // a no-op on an ended child
            done.Signal();
            g_bConverting = 0;
            done.Signal();
          }
        }
      }
    }

    // Stop check: release the worker a last time and end.
    if (c.m_bStopMonitors.load() != 0) {
      g_bConverting = 0;
      done.Signal();
      break;
    }

    const std::int64_t e = timing.now() - start;
    const std::wstring name = c.GetCurrentName();
    c.PostStatus(name, WatchdogMarker(e));
    if (e % 60 == 0) c.PostLog(WatchdogMinuteLine(name, e));
  }
  return 1;
}
