// The program's version record, in the language Chinese (Simplified, PRC): what `recmorph
// --version` prints and what the About box and the main dialog's caption carry.
#pragma once

// FileVersion and ProductVersion.
inline constexpr char kFileVersion[] = "3.1.0.0";
inline constexpr char kProductVersion[] = "3.1.0.0";
// The numeric version fields of the record (major, minor, patch, build).
inline constexpr int kNumericVersion[4] = {2, 0, 0, 0};
// Company, file description, internal name, legal notice, file name and product name: all six
// read the product's name.
inline constexpr char kProductName[] = "视频归档助手";
