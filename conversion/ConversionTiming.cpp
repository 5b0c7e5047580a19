#include "conversion/ConversionTiming.h"

#include <thread>

#include "kernel/local_time.h"

ConversionTiming ConversionTiming::Real() {
  ConversionTiming t;
  t.now = [] { return kernel::WallClockSeconds(); };
  t.sleep = [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); };
  return t;
}
