// Local time from clock_gettime(CLOCK_REALTIME) and localtime_r, which is safe to call from any
// thread (unlike localtime).
#include "kernel/local_time.h"

#include <time.h>

namespace kernel {

LocalTime GetLocalTime() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  tm parts{};
  ::localtime_r(&ts.tv_sec, &parts);
  LocalTime t;
  t.year = parts.tm_year + 1900;
  t.month = parts.tm_mon + 1;
  t.day = parts.tm_mday;
  t.hour = parts.tm_hour;
  t.minute = parts.tm_min;
  t.second = parts.tm_sec;
  t.milliseconds = static_cast<int>(ts.tv_nsec / 1000000);
  return t;
}

std::int64_t WallClockSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec);
}

}  // namespace kernel
