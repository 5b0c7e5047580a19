// The wall clock: local calendar time with milliseconds, and whole seconds since 1970.
// Both calls are thread-safe.
#pragma once

#include <cstdint>

namespace kernel {

// The platform's SYSTEMTIME: local time, month 1 to 12, day of month 1 to 31, milliseconds 0 to
// 999.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

// The current local time, in the time zone of this process.
LocalTime GetLocalTime();

// Wall-clock time in whole seconds since 1970 (UTC), signed 64-bit. May step back or forward when
// the system clock is set.
std::int64_t WallClockSeconds();

}  // namespace kernel
