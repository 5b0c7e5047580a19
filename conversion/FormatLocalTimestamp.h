// FormatLocalTimestamp: the timestamp at the head of every log line of the conversion engine.
#pragma once

#include <string>

#include "kernel/local_time.h"

// Replaces text's content with the current local time, "%04d-%02d-%02d %02d:%02d:%02d.%04d": year,
// month, day, hour, minute, second and milliseconds (four digits, so 42 ms reads 0042).
// Thread-safe.
void FormatLocalTimestamp(std::wstring& text);

// The same for a given time (what the tests pin down).
void FormatLocalTimestamp(std::wstring& text, const kernel::LocalTime& time);
