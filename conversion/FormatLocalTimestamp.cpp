#include "conversion/FormatLocalTimestamp.h"

#include <cwchar>

void FormatLocalTimestamp(std::wstring& text, const kernel::LocalTime& t) {
  wchar_t buf[64];
  const int n =
      std::swprintf(buf, sizeof buf / sizeof buf[0], L"%04d-%02d-%02d %02d:%02d:%02d.%04d", t.year,
                    t.month, t.day, t.hour, t.minute, t.second, t.milliseconds);
  text.assign(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

void FormatLocalTimestamp(std::wstring& text) {
  FormatLocalTimestamp(text, kernel::GetLocalTime());
}
