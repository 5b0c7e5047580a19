// The executable's path from the /proc/self/exe link, read with a buffer that grows until the
// whole target fits (readlink does not say when it cut the target short).
#include "kernel/exe_path.h"

#include <unistd.h>

#include <vector>

#include "kernel/text_conv.h"

namespace kernel {

std::string ExecutablePathNarrow() {
  std::vector<char> buf(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buf.size())
      return std::string(buf.data(), static_cast<std::size_t>(n));
    if (buf.size() >= 65536) return {};
    buf.resize(buf.size() * 2);
  }
}

std::wstring ExecutablePath() {
  return NarrowToWide(ExecutablePathNarrow());
}

}  // namespace kernel
