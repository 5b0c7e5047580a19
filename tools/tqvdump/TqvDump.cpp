// tqvdump FILE...
//
// Prints, for each recording: its version, frame count, payload bytes, the type codes with their
// counts, the first and last stamp, whether the codec probe would call it H.265, and how many
// bytes lie behind the point where the frame walk ended. The recording is read through the same
// reader as the probe, so its trace lines appear as well. A file that does not open gets the
// reader's line on standard error; the exit status is then 1 (2 for a wrong command line).
#include <sys/stat.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>

#include "recording/CodecProbe.h"
#include "recording/TQVFileReader.h"

namespace {

bool Dump(const char* path) {
  CTQVFileReader reader;
  if (!reader.OpenTQVFile(path)) return false;

  std::map<std::int32_t, std::uint64_t> typeCounts;
  std::uint64_t frames = 0;
  std::uint64_t payloadBytes = 0;
  std::uint64_t firstStamp = 0;
  std::uint64_t lastStamp = 0;
  bool h265 = false;
  std::int32_t type = 0;
  std::uint64_t stamp = 0;
  std::int32_t length = 0;
  std::uint8_t* payload = nullptr;
  while (reader.ReadFrame(type, stamp, length, payload) && length > 0) {
    delete[] payload;
    if (frames == 0) firstStamp = stamp;
    lastStamp = stamp;
    ++frames;
    payloadBytes += static_cast<std::uint64_t>(length);
    ++typeCounts[type];
    if (IsH265FrameType(type)) h265 = true;
  }
  const int version = reader.GetVersion();
  reader.CloseTQVFile();

  std::printf("%s\n", path);
  std::printf("  version: %d\n", version);
  std::printf("  frames: %" PRIu64 "\n", frames);
  std::printf("  payload bytes: %" PRIu64 "\n", payloadBytes);
  std::printf("  type codes:");
  const char* separator = " ";
  for (const auto& [code, count] : typeCounts) {
    std::printf("%s%" PRId32 " x%" PRIu64, separator, code, count);
    separator = ", ";
  }
  std::printf("%s\n", typeCounts.empty() ? " none" : "");
  if (frames > 0) {
    std::printf("  first stamp: %" PRIu64 "\n", firstStamp);
    std::printf("  last stamp: %" PRIu64 "\n", lastStamp);
  } else {
    std::printf("  first stamp: none\n  last stamp: none\n");
  }
  // The probe also needs a dot somewhere in the path before it reads anything.
  const bool probeSays = h265 && std::strchr(path, '.') != nullptr;
  std::printf("  H.265 (probe): %s\n", probeSays ? "yes" : "no");

  // Bytes the walk never reached: a zero-length record, a broken record or a cut-off end.
  struct stat st {};
  if (::stat(path, &st) == 0) {
    const std::uint64_t head = version == 1 ? 256 : 224;
    const std::uint64_t frameHead = version == 1 ? 12 : 16;
    const std::uint64_t used = head + frames * frameHead + payloadBytes;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    std::printf("  bytes after the last frame: %" PRIu64 "%s\n", size > used ? size - used : 0,
                size > used ? " (the frame walk ended early)" : "");
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tqvdump FILE...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    if (!Dump(argv[i])) status = 1;
    std::fflush(stdout);
  }
  return status;
}
