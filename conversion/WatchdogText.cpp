#include "conversion/WatchdogText.h"

std::wstring WatchdogMarker(std::int64_t e) {
  const std::int64_t r = e % 10;
  return std::wstring(r > 0 ? static_cast<std::size_t>(r) : 0, L'-') + L"->";
}

std::wstring WatchdogMinuteLine(const std::wstring& name, std::int64_t e) {
  return L"转码任务[" + name + L"]已转码 " + std::to_wstring(e) + L" S ... ";
}
