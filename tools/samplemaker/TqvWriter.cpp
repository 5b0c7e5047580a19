#include "tools/samplemaker/TqvWriter.h"

#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little);

CTqvWriter::~CTqvWriter() {
  Close();
}

bool CTqvWriter::Open(const std::string& path, int version) {
  Close();
  if (version < 1 || version > 3) return false;
  m_pFile = std::fopen(path.c_str(), "wb");
  if (m_pFile == nullptr) return false;
  std::setvbuf(m_pFile, nullptr, _IOFBF, 1 << 20);
  m_nVersion = version;
  m_bFailed = false;
  unsigned char head[256] = {};
  const char* magic = version == 1 ? "tqv v1.0" : version == 2 ? "tqv v2.0" : "tqv v3.0";
  std::memcpy(head, magic, 8);
  return WriteRaw(head, version == 1 ? 256 : 224);
}

bool CTqvWriter::WriteFrameHead(std::int32_t type, std::uint64_t stamp,
                                std::int32_t declaredLength) {
  unsigned char head[16];
  std::size_t size = 0;
  std::memcpy(head, &type, 4);
  if (m_nVersion == 1) {
    const auto stamp32 = static_cast<std::uint32_t>(stamp);
    std::memcpy(head + 4, &stamp32, 4);
    std::memcpy(head + 8, &declaredLength, 4);
    size = 12;
  } else {
    std::memcpy(head + 4, &stamp, 8);
    std::memcpy(head + 12, &declaredLength, 4);
    size = 16;
  }
  return WriteRaw(head, size);
}

bool CTqvWriter::WriteFrame(std::int32_t type, std::uint64_t stamp, const void* data,
                            std::size_t size) {
  return WriteFrameHead(type, stamp, static_cast<std::int32_t>(size)) && WriteRaw(data, size);
}

bool CTqvWriter::WriteFrame(const TqvFrame& frame) {
  return WriteFrame(frame.type, frame.stamp, frame.payload.data(), frame.payload.size());
}

bool CTqvWriter::WriteRaw(const void* data, std::size_t size) {
  if (m_pFile == nullptr) return false;
  if (size > 0 && std::fwrite(data, 1, size, m_pFile) != size) m_bFailed = true;
  return !m_bFailed;
}

bool CTqvWriter::Close() {
  if (m_pFile == nullptr) return !m_bFailed;
  if (std::fclose(m_pFile) != 0) m_bFailed = true;
  m_pFile = nullptr;
  return !m_bFailed;
}

bool WriteTqvFile(const std::string& path, int version, const std::vector<TqvFrame>& frames) {
  CTqvWriter writer;
  if (!writer.Open(path, version)) return false;
  for (const TqvFrame& frame : frames) {
    if (!writer.WriteFrame(frame)) return false;
  }
  return writer.Close();
}
