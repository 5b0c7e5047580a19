#include "clipremuxer/AviWriter.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

namespace clipremuxer {
namespace {

// Large enough that the muxer's small writes (chunk heads, index entries) are gathered into few
// system calls; frames larger than it go through in pieces of this size.
constexpr int kIoBufferSize = 1 << 20;

void FreePayload(void* /*opaque*/, std::uint8_t* data) {
  delete[] data;
}

}  // namespace

CAviWriter::~CAviWriter() {
  if (m_pIo != nullptr) {
    av_freep(&m_pIo->buffer);
    avio_context_free(&m_pIo);
  }
  avformat_free_context(m_pFormat);
}

int CAviWriter::WritePacket(void* opaque, std::uint8_t* data, int size) {
  auto* self = static_cast<CAviWriter*>(opaque);
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(self->m_nFd, data + done, static_cast<std::size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that makes no progress (n == 0) would loop forever; take it as a full disk.
      if (self->m_nErrno == 0) self->m_nErrno = n < 0 ? errno : ENOSPC;
      return AVERROR(self->m_nErrno);
    }
    done += static_cast<int>(n);
  }
  return size;
}

std::int64_t CAviWriter::Seek(void* opaque, std::int64_t offset, int whence) {
  auto* self = static_cast<CAviWriter*>(opaque);
  if (whence == AVSEEK_SIZE) {
    struct stat st {};
    if (::fstat(self->m_nFd, &st) != 0) return AVERROR(errno);
    return st.st_size;
  }
  const off_t at = ::lseek(self->m_nFd, offset, whence & ~AVSEEK_FORCE);
  if (at < 0) {
    if (self->m_nErrno == 0) self->m_nErrno = errno;
    return AVERROR(errno);
  }
  return at;
}

bool CAviWriter::Open(int fd, const AviStreamSetup& setup) {
  m_nFd = fd;
  m_timeBase = setup.timeBase;
  if (avformat_alloc_output_context2(&m_pFormat, nullptr, "avi", nullptr) < 0) return false;
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return false;
  m_pIo = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &CAviWriter::WritePacket,
                             &CAviWriter::Seek);
  if (m_pIo == nullptr) {
    av_free(buffer);
    return false;
  }
  m_pFormat->pb = m_pIo;
  m_pFormat->flags |= AVFMT_FLAG_CUSTOM_IO;

  m_pStream = avformat_new_stream(m_pFormat, nullptr);
  if (m_pStream == nullptr) return false;
  AVCodecParameters* par = m_pStream->codecpar;
  par->codec_type = AVMEDIA_TYPE_VIDEO;
  par->codec_id = setup.codec;
  par->codec_tag = setup.codecTag;
  par->width = setup.width;
  par->height = setup.height;
  if (!setup.extradata.empty()) {
    par->extradata = static_cast<std::uint8_t*>(
        av_mallocz(setup.extradata.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (par->extradata == nullptr) return false;
    std::memcpy(par->extradata, setup.extradata.data(), setup.extradata.size());
    par->extradata_size = static_cast<int>(setup.extradata.size());
  }
  m_pStream->time_base = setup.timeBase;
  m_pStream->avg_frame_rate = av_inv_q(setup.timeBase);
  m_pStream->r_frame_rate = m_pStream->avg_frame_rate;

  if (avformat_write_header(m_pFormat, nullptr) < 0) return false;
  m_bHeaderWritten = true;
  return m_pIo->error == 0;
}

bool CAviWriter::WriteFrame(std::unique_ptr<std::uint8_t[]> payload, std::size_t size,
                            std::int64_t index, bool key) {
  if (!m_bHeaderWritten || size > static_cast<std::size_t>(INT32_MAX)) return false;
  AVPacket* packet = av_packet_alloc();
  if (packet == nullptr) return false;
  std::uint8_t* data = payload.get();
  // The packet takes the payload over; FreePayload releases it with delete[].
  packet->buf = av_buffer_create(data, size, &FreePayload, nullptr, 0);
  if (packet->buf == nullptr) {
    av_packet_free(&packet);
    return false;
  }
  payload.release();
  packet->data = data;
  packet->size = static_cast<int>(size);
  packet->stream_index = 0;
  packet->pts = packet->dts = av_rescale_q(index, m_timeBase, m_pStream->time_base);
  packet->duration = av_rescale_q(1, m_timeBase, m_pStream->time_base);
  if (key) packet->flags |= AV_PKT_FLAG_KEY;
  const int result = av_write_frame(m_pFormat, packet);
  av_packet_free(&packet);
  return result >= 0 && m_pIo->error == 0;
}

bool CAviWriter::Finish() {
  if (!m_bHeaderWritten) return false;
  m_bHeaderWritten = false;
  const int result = av_write_trailer(m_pFormat);
  avio_flush(m_pIo);
  return result >= 0 && m_pIo->error == 0 && m_nErrno == 0;
}

}  // namespace clipremuxer
