#include "conversion/ConverterCommand.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "kernel/text_conv.h"

namespace {

bool IsExecutableFile(const std::wstring& path) {
  const auto narrow = kernel::WideToNarrow(path);
  return narrow && !narrow->empty() && ::access(narrow->c_str(), X_OK) == 0;
}

}  // namespace

std::wstring ToolFolderOf(const std::wstring& executablePath) {
  const auto slash = executablePath.rfind(L'/');
  return slash == std::wstring::npos ? std::wstring() : executablePath.substr(0, slash);
}

std::wstring ClipRemuxerPathIn(const std::wstring& toolFolder) {
  return toolFolder + L"/ClipRemuxer";
}

std::wstring FindFfmpeg(const std::wstring& toolFolder) {
  const std::wstring beside = toolFolder + L"/ffmpeg";
  if (IsExecutableFile(beside)) return beside;
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "";
  while (!dirs.empty()) {
    const auto colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    // An empty entry means the current folder; only absolute entries are taken, so that the
    // converter never depends on where the tool was started from.
    if (dir.empty() || dir.front() != '/') continue;
    const std::wstring candidate = kernel::NarrowToWide(dir) + L"/ffmpeg";
    if (IsExecutableFile(candidate)) return candidate;
  }
  return beside;
}

std::wstring OutputPathFor(const std::wstring& folder, const std::wstring& name) {
  const auto dot = name.find(L'.');
  const std::wstring stem = dot == std::wstring::npos ? std::wstring() : name.substr(0, dot);
  return folder + stem + L".avi";
}

ConverterCommand BuildFfmpegCommand(const std::wstring& ffmpegPath, const std::wstring& sideFile,
                                    const std::wstring& outputPath) {
  ConverterCommand c;
  c.commandLine = ffmpegPath + L" -i " + L" \"" + sideFile + L"\"" + L" \"" + outputPath + L"\" -y";
  c.argv = {ffmpegPath, L"-i", sideFile, outputPath, L"-y"};
  return c;
}

ConverterCommand BuildClipRemuxerCommand(const std::wstring& clipRemuxerPath,
                                         const std::wstring& recordingPath,
                                         const std::wstring& outputPath) {
  ConverterCommand c;
  c.commandLine = clipRemuxerPath + L" \"" + recordingPath + L"\" \"" + outputPath + L"\"";
  c.argv = {clipRemuxerPath, recordingPath, outputPath};
  return c;
}
