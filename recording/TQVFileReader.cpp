#include "recording/TQVFileReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

// Frame heads are read straight into their packed structures.
static_assert(std::endian::native == std::endian::little);

namespace {

// The stream's buffer. Frame heads are a few bytes each and come out of it; a payload at least
// this large is read by the C library straight into the caller's buffer.
constexpr std::size_t kStreamBuffer = 64 * 1024;

// The magic area matches a version when its first nine bytes are the version's text and its NUL.
bool MagicIs(const char (&magic)[32], const char* text) {
  return std::memcmp(magic, text, 9) == 0;
}

// The size of the file behind stream, or -1 when it is not a regular file and so has no size
// that could bound a record.
std::int64_t FileSize(FILE* stream) {
  struct stat st {};
  if (::fstat(::fileno(stream), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

}  // namespace

CTQVFileReader::CTQVFileReader() = default;

CTQVFileReader::~CTQVFileReader() {
  CloseTQVFile();
}

bool CTQVFileReader::OpenTQVFile(const char* path) {
  CloseTQVFile();
  // Read-only: a recording on a read-only share, or one without write permission, is perfectly
  // readable, and nothing here ever writes to it.
  m_pFile = std::fopen(path, "rb");
  if (m_pFile == nullptr) {
    std::fprintf(stderr, "Open file %s failed.\n", path);
    return false;
  }
  std::setvbuf(m_pFile, nullptr, _IOFBF, kStreamBuffer);

  char magic[32] = {};
  if (std::fread(magic, 1, sizeof magic, m_pFile) < sizeof magic) {
    std::fprintf(stderr, "Read tqv magic error!\n");
    CloseTQVFile();
    return false;
  }
  // The magic area as text: up to its first NUL, never beyond its 32 bytes.
  char magicText[sizeof magic + 1] = {};
  std::memcpy(magicText, magic, sizeof magic);
  std::printf("[%s:%d]: TQV version magic %s Head size(V1:%d V2:%d V3:%d)\n\n",
              "CTQVFileReader::OpenTQVFile", 124, magicText, 256, 224, 224);

  void* head = nullptr;
  std::size_t headSize = 0;
  const char* failure = nullptr;
  if (MagicIs(magic, "tqv v1.0")) {
    m_nVersion = 1;
    head = &m_headV1;
    headSize = sizeof m_headV1;
    failure = "Read TqVideoFileHead_V1 failed!\n";
  } else if (MagicIs(magic, "tqv v2.0")) {
    m_nVersion = 2;
    head = &m_headV2;
    headSize = sizeof m_headV2;
    failure = "Read TqVideoFileHead_V2 failed!\n";
  } else if (MagicIs(magic, "tqv v3.0")) {
    m_nVersion = 3;
    head = &m_headV3;
    headSize = sizeof m_headV3;
    failure = "Read TqVideoFileHead_V3 failed!\n";
  } else {
    std::fprintf(stderr, "Unknown tqv magic!\n");
    CloseTQVFile();
    return false;
  }

  // The head includes the magic area, so it is read whole from the start. A stream that cannot
  // seek back cannot give the head either.
  if (std::fseek(m_pFile, 0, SEEK_SET) != 0 || std::fread(head, 1, headSize, m_pFile) < headSize) {
    std::fprintf(stderr, "%s", failure);
    CloseTQVFile();
    return false;
  }
  if (m_nVersion == 2) std::printf("Read tqv 2.0 head %d ok\n", 224);

  m_nFileSize = FileSize(m_pFile);
  m_nBytesLeft = m_nFileSize < 0 ? -1 : m_nFileSize - static_cast<std::int64_t>(headSize);
  return true;
}

bool CTQVFileReader::PayloadFits(std::int32_t length) {
  if (m_nBytesLeft < 0) return true;  // not a regular file: the read itself finds the end
  if (length <= m_nBytesLeft) return true;
  // A recording still being written grows behind the open; look at its size again before
  // calling the record impossible.
  const std::int64_t size = FileSize(m_pFile);
  if (size > m_nFileSize) {
    m_nBytesLeft += size - m_nFileSize;
    m_nFileSize = size;
  }
  return length <= m_nBytesLeft;
}

std::uint8_t* CTQVFileReader::ReadPayload(std::int32_t length) {
  const auto size = static_cast<std::size_t>(length);
  if (m_nBytesLeft >= 0) {
    // The file is known to hold this many bytes, so the buffer is not larger than it can fill.
    auto* buffer = new (std::nothrow) std::uint8_t[size];
    if (buffer == nullptr) return nullptr;
    const std::size_t got = std::fread(buffer, 1, size, m_pFile);
    m_nBytesLeft -= static_cast<std::int64_t>(got);
    if (got < size) {
      delete[] buffer;
      return nullptr;
    }
    return buffer;
  }
  // No size to check against: take the payload in steps, so that memory only ever follows the
  // bytes that actually arrived, then hand it out in a buffer of its exact length.
  constexpr std::size_t kStep = 1 << 20;
  std::uint8_t* data = nullptr;
  std::size_t have = 0;
  while (have < size) {
    const std::size_t want = std::min(kStep, size - have);
    auto* grown = new (std::nothrow) std::uint8_t[have + want];
    if (grown == nullptr) break;
    if (have > 0) std::memcpy(grown, data, have);
    delete[] data;
    data = grown;
    const std::size_t got = std::fread(data + have, 1, want, m_pFile);
    have += got;
    if (got < want) break;
  }
  if (have < size) {
    delete[] data;
    return nullptr;
  }
  return data;
}

bool CTQVFileReader::ReadFrame(std::int32_t& type, std::uint64_t& stamp, std::int32_t& length,
                               std::uint8_t*& payload) {
  if (m_pFile == nullptr) return false;
  // A frame head cut short by the end of the file keeps zeros for its missing bytes.
  std::int32_t frameType = 0;
  std::uint64_t frameStamp = 0;
  std::int32_t dataLen = 0;
  std::size_t got = 0;
  if (m_nVersion == 1) {
    TqVideoFrameHead_V1 head{};
    got = std::fread(&head, 1, sizeof head, m_pFile);
    frameType = head.nFrameType;
    frameStamp = head.nStamp;  // 32 bits, widened without sign
    dataLen = head.nDataLen;
  } else if (m_nVersion == 2 || m_nVersion == 3) {
    TqVideoFrameHead_V2 head{};
    got = std::fread(&head, 1, sizeof head, m_pFile);
    frameType = head.nFrameType;
    frameStamp = head.nStamp;
    dataLen = head.nDataLen;
  } else {
    return false;
  }
  if (got == 0) return false;
  if (m_nBytesLeft >= 0) m_nBytesLeft -= static_cast<std::int64_t>(got);

  if (dataLen == 0) {
    type = 0;
    stamp = 0;
    length = 0;
    payload = nullptr;
    return false;
  }
  // A negative length, or one the rest of the file cannot supply, is a broken record: it ends the
  // stream like a short payload, before anything is allocated for it.
  if (dataLen < 0 || !PayloadFits(dataLen)) return false;
  std::uint8_t* buffer = ReadPayload(dataLen);
  if (buffer == nullptr) return false;

  type = frameType;
  stamp = frameStamp;
  length = dataLen;
  payload = buffer;
  return true;
}

void CTQVFileReader::CloseTQVFile() {
  if (m_pFile != nullptr) {
    std::fclose(m_pFile);
    m_pFile = nullptr;
  }
}
