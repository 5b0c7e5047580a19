// CAviWriter: writes one video stream into an AVI file with libavformat's AVI muxer, as a stream
// copy: every frame's bytes go into the file as they are.
//
// The muxer writes through our own I/O on a file descriptor, so that every failed write (a full
// disk, a file-size limit) is seen with its errno, and so that the output is seekable: the muxer
// then switches to OpenDML (RIFF AVIX parts) on its own once the file passes 1 GiB, and writes
// the index and the final header sizes at the end.
//
// Frames are handed over without a copy: the payload buffer becomes the packet's buffer and is
// released (delete[]) by the packet.
//
// Threads: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/rational.h>
}

struct AVFormatContext;
struct AVIOContext;
struct AVStream;

namespace clipremuxer {

struct AviStreamSetup {
  AVCodecID codec = AV_CODEC_ID_NONE;
  std::uint32_t codecTag = 0;  // 0: the muxer's own tag for the codec
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> extradata;
  AVRational timeBase{1, 25};  // one frame
};

class CAviWriter {
 public:
  CAviWriter() = default;
  // Releases everything; a file not finished stays as far as it was written.
  ~CAviWriter();
  CAviWriter(const CAviWriter&) = delete;
  CAviWriter& operator=(const CAviWriter&) = delete;

  // Starts the file on fd (open for writing, seekable, empty; the caller keeps it and closes it)
  // and writes the AVI headers. False on failure; GetErrno then tells why when a write failed.
  bool Open(int fd, const AviStreamSetup& setup);

  // Writes one frame at index (strictly increasing; skipped indices become empty chunks). Takes
  // ownership of payload, a new[] buffer of size bytes, whatever the answer.
  bool WriteFrame(std::unique_ptr<std::uint8_t[]> payload, std::size_t size, std::int64_t index,
                  bool key);

  // Writes the index and the final headers and flushes everything to fd. False on failure.
  bool Finish();

  // errno of the first failed write or seek, 0 when none failed.
  int GetErrno() const { return m_nErrno; }

 private:
  static int WritePacket(void* opaque, std::uint8_t* data, int size);
  static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);

  int m_nFd = -1;
  int m_nErrno = 0;
  bool m_bHeaderWritten = false;
  AVFormatContext* m_pFormat = nullptr;
  AVIOContext* m_pIo = nullptr;
  AVStream* m_pStream = nullptr;
  AVRational m_timeBase{1, 25};
};

}  // namespace clipremuxer
