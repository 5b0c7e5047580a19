// Turning what the operator names (files dropped on the list, files and folders on the command
// line) into the recordings to list.
//
// Each name becomes an absolute, lexically normalised path (relative names are taken from the
// current directory). An existing regular file is a recording when onlyTqv is false, or when its
// name ends in ".tqv" without regard to case. A folder stands for the regular files directly in
// it whose names end in ".tqv" (without regard to case), in name order; subfolders are not
// entered. Anything else (a missing file, a device, a name that is not valid text) is rejected.
// Any thread; touches nothing but the file system's metadata.
#pragma once

#include <string>
#include <vector>

// Answers the recordings in the order of names; rejected (if not null) receives the names that
// gave none, as given.
std::vector<std::wstring> ExpandRecordingPaths(const std::vector<std::wstring>& names, bool onlyTqv,
                                               std::vector<std::wstring>* rejected);
