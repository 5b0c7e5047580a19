// The machine's physical memory figures (the platform's GlobalMemoryStatusEx).
// Thread-safe; each call reads the figures afresh.
#pragma once

#include <cstdint>
#include <string_view>

namespace kernel {

struct MemoryStatus {
  std::uint64_t totalPhys = 0;   // bytes of physical memory
  std::uint64_t availPhys = 0;   // bytes available to programs without swapping
  std::uint32_t memoryLoad = 0;  // percent in use: 100 * (total - available) / total, 0 to 100
};

// Fills status from /proc/meminfo. False (status untouched) when the figures cannot be read.
bool GetMemoryStatus(MemoryStatus& status);

// Fills status from the text of a /proc/meminfo file: "MemTotal:" and "MemAvailable:" in kB.
// False (status untouched) when either line is missing or unreadable, or the total is 0.
bool ParseMemInfo(std::string_view text, MemoryStatus& status);

}  // namespace kernel
