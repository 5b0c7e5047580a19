// ConversionTiming: where the conversion engine takes its clock, its sleep and its time limits
// from. The dialog uses Real(); tests inject a clock they set by hand and short periods, so that
// minutes of converter time pass in milliseconds.
//
// The functions are called from every engine thread at once and must be thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

struct ConversionTiming {
  // Wall-clock time in whole seconds since 1970, signed 64-bit.
  std::function<std::int64_t()> now;
  // Sleeps the calling thread for about the given time.
  std::function<void(std::chrono::milliseconds)> sleep;

  // The watchdog's pass: one sleep of this length per pass.
  std::chrono::milliseconds watchdogPeriod{1000};
  // The output reader ends a conversion whose converter has ended when more than this many whole
  // seconds have passed since the last complete line.
  std::int64_t silenceLimitSeconds = 10;
  // The watchdog's exit check runs once more than this many whole seconds of batch have passed.
  std::int64_t exitCheckAfterSeconds = 10;
  // How long a monitor thread is waited for after its stop request before it is stopped by force.
  std::chrono::milliseconds stopLimit{10000};
  // The output reader's sleep between two looks at the pipe.
  std::chrono::milliseconds readerPace{1};

  // The real clock and sleep with the limits above.
  static ConversionTiming Real();
};
