// The path of the running executable (the platform's GetModuleFileNameW for no module).
// Thread-safe.
#pragma once

#include <string>

namespace kernel {

// The full path of this process's executable as UTF-8, or empty when it cannot be read.
std::string ExecutablePathNarrow();

// The same as wide text.
std::wstring ExecutablePath();

}  // namespace kernel
