// The watchdog's two texts, for e whole seconds of batch. Pure functions.
#pragma once

#include <cstdint>
#include <string>

// r = e mod 10 (signed): r dashes followed by "->", so r + 1 dashes and a ">"; just "->" when
// r <= 0.
std::wstring WatchdogMarker(std::int64_t e);

// The minute line after its timestamp: "转码任务[" + name + "]已转码 " + e + " S ... ".
std::wstring WatchdogMinuteLine(const std::wstring& name, std::int64_t e);
