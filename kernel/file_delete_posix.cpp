#include "kernel/file_delete.h"

#include <unistd.h>

#include "kernel/text_conv.h"

namespace kernel {

bool DeleteFileNarrow(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool DeleteFileWide(const std::wstring& path) {
  const auto narrow = WideToNarrow(path);
  return narrow && DeleteFileNarrow(*narrow);
}

}  // namespace kernel
