// CTQVFileReader: reads a TQV recording (*.tqv) front to back.
//
// A recording is a head that names its format version (1, 2 or 3) by a magic text, followed by
// frame records: a small frame head (type code, stamp, payload length) and the payload. The reader
// recognises the version, keeps the head, then hands out the frame records one by one in file
// order. It never writes to the recording.
//
// Threads: a reader is used by one thread at a time; nothing in it is shared.
// Calling order: OpenTQVFile once, ReadFrame until it answers false, CloseTQVFile.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#pragma pack(push, 1)
struct TqVideoFileHead_V1 {
  char szMagic[32];
  std::uint8_t reserved[224];
};
struct TqVideoFileHead_V2 {
  char szMagic[32];
  std::uint8_t reserved[192];
};
struct TqVideoFileHead_V3 {
  char szMagic[32];
  std::uint8_t reserved[192];
};
struct TqVideoFrameHead_V1 {
  std::int32_t nFrameType;
  std::uint32_t nStamp;
  std::int32_t nDataLen;
};
struct TqVideoFrameHead_V2 {
  std::int32_t nFrameType;
  std::uint64_t nStamp;
  std::int32_t nDataLen;
};
using TqVideoFrameHead_V3 = TqVideoFrameHead_V2;
#pragma pack(pop)

static_assert(sizeof(TqVideoFileHead_V1) == 256);
static_assert(sizeof(TqVideoFileHead_V2) == 224);
static_assert(sizeof(TqVideoFileHead_V3) == 224);
static_assert(sizeof(TqVideoFrameHead_V1) == 12);
static_assert(sizeof(TqVideoFrameHead_V2) == 16);

class CTQVFileReader {
 public:
  CTQVFileReader();
  virtual ~CTQVFileReader();
  CTQVFileReader(const CTQVFileReader&) = delete;
  CTQVFileReader& operator=(const CTQVFileReader&) = delete;

  // Opens the recording at path (narrow, UTF-8) for reading. True: the version is known, its head
  // is read and the stream stands at the first frame record. False: one line has gone to standard
  // error and no stream is open.
  bool OpenTQVFile(const char* path);

  // Reads the next frame record. True: the outputs describe it and the caller owns payload, a
  // buffer of exactly length bytes allocated with new[], and releases it with delete[]. False: the
  // stream has ended (end of file, a zero-length record) or broken (a short or impossible record);
  // no buffer is handed out.
  bool ReadFrame(std::int32_t& type, std::uint64_t& stamp, std::int32_t& length,
                 std::uint8_t*& payload);

  // Closes the stream if one is open; does nothing otherwise.
  void CloseTQVFile();

  // The version the open recognised: 1, 2 or 3.
  int GetVersion() const { return m_nVersion; }

 private:
  FILE* m_pFile = nullptr;
  std::int32_t m_nVersion = 2;
  TqVideoFileHead_V1 m_headV1{};
  TqVideoFileHead_V2 m_headV2{};
  TqVideoFileHead_V3 m_headV3{};
  // Bytes of the file behind the stream's position; a record may not claim more. -1 when the
  // stream is not a regular file and has no size to go by.
  std::int64_t m_nBytesLeft = 0;
  // The file's size when last looked at (-1: no size).
  std::int64_t m_nFileSize = 0;

  // Whether the rest of the file can supply length more bytes.
  bool PayloadFits(std::int32_t length);
  // Reads a payload of length bytes into a new[] buffer of that size; null when it falls short.
  std::uint8_t* ReadPayload(std::int32_t length);
};
