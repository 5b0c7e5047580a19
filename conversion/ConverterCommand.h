// The converters' places and command lines.
//
// Each command is built twice from the same pieces: as the command-line text that the worker
// traces ("Run: %S"), and as the argument vector that the child really receives. The text quotes
// the input and output paths; the vector needs no quoting, so a path holding a double quote, a
// space or CJK characters reaches the converter as one intact argument.
//
// Pure functions, except FindFfmpeg, which looks at the file system; all are thread-safe.
#pragma once

#include <string>
#include <vector>

struct ConverterCommand {
  std::wstring commandLine;        // the traced text
  std::vector<std::wstring> argv;  // what the child gets; argv[0] is the program's path
};

// The folder of an executable path: everything before its last '/' (empty when it has none).
std::wstring ToolFolderOf(const std::wstring& executablePath);

// The companion converter: <tool folder>/ClipRemuxer.
std::wstring ClipRemuxerPathIn(const std::wstring& toolFolder);

// <tool folder>/ffmpeg when that is an executable file; otherwise the first executable "ffmpeg"
// in a folder of PATH; otherwise <tool folder>/ffmpeg all the same (its launch then fails).
std::wstring FindFfmpeg(const std::wstring& toolFolder);

// folder + the part of name before its first "." + ".avi": "cam01.part2.tqv" gives
// folder + "cam01.avi". A name without any "." contributes nothing, giving folder + ".avi".
std::wstring OutputPathFor(const std::wstring& folder, const std::wstring& name);

// <ffmpeg> -i  "<side file>" "<output>" -y   (two spaces after -i)
ConverterCommand BuildFfmpegCommand(const std::wstring& ffmpegPath, const std::wstring& sideFile,
                                    const std::wstring& outputPath);

// <ClipRemuxer> "<recording>" "<output>"
ConverterCommand BuildClipRemuxerCommand(const std::wstring& clipRemuxerPath,
                                         const std::wstring& recordingPath,
                                         const std::wstring& outputPath);
