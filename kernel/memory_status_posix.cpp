// Memory figures from /proc/meminfo. MemAvailable is the kernel's own estimate of what programs
// can still get without swapping, the counterpart of the platform's available physical memory.
#include "kernel/memory_status.h"

#include <cstdio>
#include <string>

namespace kernel {

namespace {

// The number in kB after `key` at the start of a line, in bytes. False when there is none.
bool FindKiB(std::string_view text, std::string_view key, std::uint64_t& bytes) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    if (line.substr(0, key.size()) == key) {
      std::size_t i = key.size();
      while (i < line.size() && line[i] == ' ') ++i;
      std::uint64_t value = 0;
      std::size_t digits = 0;
      for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i, ++digits) {
        if (value > (UINT64_MAX - 9) / 10 / 1024) return false;  // would overflow in bytes
        value = value * 10 + static_cast<std::uint64_t>(line[i] - '0');
      }
      if (digits == 0) return false;
      bytes = value * 1024;
      return true;
    }
    pos = end + 1;
  }
  return false;
}

}  // namespace

bool ParseMemInfo(std::string_view text, MemoryStatus& status) {
  std::uint64_t total = 0;
  std::uint64_t avail = 0;
  if (!FindKiB(text, "MemTotal:", total) || !FindKiB(text, "MemAvailable:", avail)) return false;
  if (total == 0) return false;
  if (avail > total) avail = total;
  status.totalPhys = total;
  status.availPhys = avail;
  status.memoryLoad = static_cast<std::uint32_t>((total - avail) * 100 / total);
  return true;
}

bool GetMemoryStatus(MemoryStatus& status) {
  std::FILE* f = std::fopen("/proc/meminfo", "re");
  if (f == nullptr) return false;
  std::string text;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  return ParseMemInfo(text, status);
}

}  // namespace kernel
