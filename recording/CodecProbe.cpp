// The codec probe: CProbeTarget::IsTqvH265 (reached as CRecMorphDlg::IsTqvH265) and the stream
// extraction it runs.
#include "recording/CodecProbe.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "kernel/file_delete.h"
#include "kernel/text_conv.h"
#include "recording/ProbeTarget.h"
#include "recording/TQVFileReader.h"

namespace {

constexpr const char* kProbeName = "CRecMorphDlg::IsTqvH265";

// The base name of a narrow path whose last dot is at lastDot: the file name (after the last
// backslash, else after the last forward slash, else the whole path) less the extension. The
// text is cut byte by byte; the separators and the dot are single bytes in UTF-8.
std::string BaseName(const std::string& path, std::size_t lastDot) {
  std::size_t nameStart = 0;
  const std::size_t backslash = path.rfind('\\');
  if (backslash != std::string::npos) {
    nameStart = backslash + 1;
  } else {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) nameStart = slash + 1;
  }
  const std::string name = path.substr(nameStart);
  // A dot before the file name (in a folder) leaves the file name whole.
  if (lastDot < nameStart) return name;
  const std::size_t extension = path.size() - lastDot;
  return name.substr(0, name.size() - extension);
}

}  // namespace

bool ExtractStream(CTQVFileReader& reader, const std::string& sideFile, bool* writeFailed) {
  bool verdict = false;
  bool failed = false;
  FILE* side = std::fopen(sideFile.c_str(), "wb");
  // Unbuffered: each payload goes out in one write straight from its buffer, and the flush that
  // follows every frame has nothing left to do, so the file holds every payload written so far.
  if (side != nullptr) std::setvbuf(side, nullptr, _IONBF, 0);

  std::int32_t type = 0;
  std::uint64_t stamp = 0;
  std::int32_t length = 0;
  std::uint8_t* payload = nullptr;
  while (reader.ReadFrame(type, stamp, length, payload) && length > 0) {
    if (IsH265FrameType(type)) verdict = true;
    // After the first short write the side file is lost anyway; stop writing to it, but walk on
    // so that the verdict is that of the whole recording.
    if (side != nullptr && !failed) {
      const auto size = static_cast<std::size_t>(length);
      if (std::fwrite(payload, 1, size, side) != size) failed = true;
      if (std::fflush(side) != 0) failed = true;
    }
    delete[] payload;
    payload = nullptr;
  }
  if (side != nullptr && std::fclose(side) != 0) failed = true;
  if (writeFailed != nullptr) *writeFailed = failed;
  return verdict;
}

bool CProbeTarget::IsTqvH265(CProbeTarget* dialog, const std::wstring& path) {
  CTQVFileReader reader;

  // The narrow path, taken as text: a conversion that fails reads "(null)", and a NUL inside the
  // path ends it.
  const auto converted = kernel::WideToNarrow(path);
  std::string narrow = converted ? *converted : std::string("(null)");
  narrow.resize(std::char_traits<char>::length(narrow.c_str()));
  std::printf("[%s:%d]: Open %s\n\n", kProbeName, 529, narrow.c_str());

  // Any dot anywhere in the path passes; the extension is not compared with anything.
  const std::size_t lastDot = narrow.rfind('.');
  if (lastDot == std::string::npos) {
    std::printf("[%s:%d]: Error filename suffix.\n\n", kProbeName, 535);
    return false;
  }
  if (dialog != nullptr) dialog->SetCurrentName(kernel::NarrowToWide(BaseName(narrow, lastDot)));

  const std::string sideFile = narrow + ".h265";
  const std::string secondSideFile = narrow + ".txt";
  bool verdict = false;
  // Side files of an earlier run go first; a file that is not there is no failure.
  kernel::DeleteFileNarrow(sideFile);
  kernel::DeleteFileNarrow(secondSideFile);

  if (!reader.OpenTQVFile(narrow.c_str())) {
    std::printf("[%s:%d]: Open %s failed!\n\n", kProbeName, 569, narrow.c_str());
    return verdict;
  }
  bool writeFailed = false;
  verdict = ExtractStream(reader, sideFile, &writeFailed);
  reader.CloseTQVFile();
  // A side file that fell short must not be taken for the whole stream by a converter.
  if (writeFailed) {
    kernel::DeleteFileNarrow(sideFile);
    std::printf("[%s:%d]: Write %s failed, side file removed.\n\n", kProbeName, 578,
                sideFile.c_str());
  }
  return verdict;
}
