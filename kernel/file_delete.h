// Deleting a file by its path.
#pragma once

#include <string>

namespace kernel {

// Removes the file at the narrow (UTF-8) path. True when a file was removed; false when there was
// none or it could not be removed. Callers that ignore the result may do so safely.
bool DeleteFileNarrow(const std::string& path);

// The same for a wide path. A path that cannot be encoded removes nothing and answers false.
bool DeleteFileWide(const std::wstring& path);

}  // namespace kernel
