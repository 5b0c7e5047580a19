// CTqvWriter: writes TQV recordings (*.tqv) of any head version, for the sample maker, tests and
// benchmarks.
//
// A recording is the version's head (256 bytes for version 1, 224 for versions 2 and 3, starting
// with the magic text "tqv v1.0", "tqv v2.0" or "tqv v3.0" and its NUL, the rest zero) followed by
// frame records: a frame head (type code, stamp, payload length; 12 bytes in version 1 with a
// 32-bit stamp, 16 bytes in versions 2 and 3 with a 64-bit stamp), then the payload. All integers
// are little-endian.
//
// Besides well-formed frames it can write raw frame heads and bytes, so that tests can build
// broken recordings (a length that lies, a record cut short).
//
// Threads: one writer is used by one thread at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One frame as the writer takes it.
struct TqvFrame {
  std::int32_t type = 0;
  std::uint64_t stamp = 0;  // version 1 keeps the lower 32 bits
  std::vector<std::uint8_t> payload;
};

class CTqvWriter {
 public:
  CTqvWriter() = default;
  ~CTqvWriter();
  CTqvWriter(const CTqvWriter&) = delete;
  CTqvWriter& operator=(const CTqvWriter&) = delete;

  // Creates (or empties) path and writes the head of version 1, 2 or 3. False when the file
  // cannot be created, the version is unknown or the head cannot be written.
  bool Open(const std::string& path, int version);

  // Writes one frame record whose length field is size. False on a failed write.
  bool WriteFrame(std::int32_t type, std::uint64_t stamp, const void* data, std::size_t size);
  bool WriteFrame(const TqvFrame& frame);

  // Writes a frame head claiming declaredLength payload bytes, and nothing else.
  bool WriteFrameHead(std::int32_t type, std::uint64_t stamp, std::int32_t declaredLength);
  // Writes bytes as they are.
  bool WriteRaw(const void* data, std::size_t size);

  // Flushes and closes; true when every byte reached the file. Safe to call twice.
  bool Close();

 private:
  FILE* m_pFile = nullptr;
  int m_nVersion = 0;
  bool m_bFailed = false;
};

// Writes a whole recording of the given version at once. True when every byte reached the file.
bool WriteTqvFile(const std::string& path, int version, const std::vector<TqvFrame>& frames);
