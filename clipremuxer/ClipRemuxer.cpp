#include "clipremuxer/ClipRemuxer.h"

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "clipremuxer/AviWriter.h"
#include "clipremuxer/FrameRateEstimator.h"
#include "clipremuxer/H264Classifier.h"
#include "clipremuxer/HevcClassifier.h"
#include "clipremuxer/MjpegClassifier.h"
#include "clipremuxer/Mpeg4Classifier.h"
#include "clipremuxer/OutputFile.h"
#include "clipremuxer/StartCode.h"
#include "clipremuxer/StreamParameters.h"
#include "recording/TQVFileReader.h"

namespace clipremuxer {
namespace {

// A headers-only record larger than this is not parameter sets.
constexpr std::size_t kMaxHeldHeaders = 1u << 20;

// The reason for a failed write or create, in the words the message shows.
std::string Reason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return "(磁盘空间不足)";
    case EFBIG:
      return "(超出文件大小限制)";
    case EACCES:
    case EPERM:
      return "(没有写入权限)";
    case ENOENT:
    case ENOTDIR:
      return "(文件夹不存在)";
    case EROFS:
      return "(只读文件系统)";
    case EIO:
      return "(输入输出错误)";
    default:
      return "";
  }
}

// Whether a payload that no codec took still looks like coded data: start codes or a JPEG SOI.
bool LooksCoded(const std::uint8_t* data, std::size_t size) {
  return LeadingStartCode(data, size) != 0 ||
         (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF);
}

}  // namespace

CClipRemuxer::CClipRemuxer(CProtocolWriter& protocol) : m_protocol(protocol) {
  m_candidates.push_back(std::make_unique<CH264Classifier>());
  m_candidates.push_back(std::make_unique<CHevcClassifier>());
  m_candidates.push_back(std::make_unique<CMpeg4Classifier>());
  m_candidates.push_back(std::make_unique<CMjpegClassifier>());
}

CClipRemuxer::~CClipRemuxer() = default;

int CClipRemuxer::Fail(const std::string& message, const std::string& fileName) {
  // The partial AVI goes first, so that nothing of it is left once the error is reported.
  m_pTimeline.reset();
  m_pWriter.reset();
  if (m_pFile) m_pFile->Discard();
  m_protocol.Error(message, fileName);
  return 1;
}

int CClipRemuxer::FailWrite() {
  const int error = m_pWriter ? m_pWriter->GetErrno() : 0;
  return Fail("写入输出文件失败" + Reason(error), m_strOutputName);
}

bool CClipRemuxer::TakePayload(std::unique_ptr<std::uint8_t[]>& data, std::size_t& size,
                               PayloadInfo& info) {
  // Parameter sets held from a record of their own are put in front of the next frame that lacks
  // them; that costs one copy of the frame, once per such record.
  auto classifyWithHeld = [&](CPayloadClassifier& codec) {
    info = codec.Classify(data.get(), size);
    if (info.video && !info.config && !m_heldHeaders.empty() && m_pHeldFor == &codec) {
      const std::size_t joined = m_heldHeaders.size() + size;
      std::unique_ptr<std::uint8_t[]> both(new std::uint8_t[joined]);
      std::memcpy(both.get(), m_heldHeaders.data(), m_heldHeaders.size());
      std::memcpy(both.get() + m_heldHeaders.size(), data.get(), size);
      const PayloadInfo joinedInfo = codec.Classify(both.get(), joined);
      if (joinedInfo.video) {
        data = std::move(both);
        size = joined;
        info = joinedInfo;
        m_heldHeaders.clear();
      }
    }
    if (info.headers && size <= kMaxHeldHeaders) {
      m_heldHeaders.assign(data.get(), data.get() + size);
      m_pHeldFor = &codec;
    }
    return info;
  };

  if (m_pCodec != nullptr) return classifyWithHeld(*m_pCodec).video;
  for (const auto& candidate : m_candidates) {
    if (classifyWithHeld(*candidate).CanStart()) {
      m_pCodec = candidate.get();
      return true;
    }
    if (info.video) m_bSawVideo = true;
    if (info.headers) return false;
  }
  if (LooksCoded(data.get(), size)) m_bSawCoded = true;
  return false;
}

bool CClipRemuxer::WriteTimedFrame(TimedFrame&& frame, std::int64_t index) {
  ++m_counts.written;
  if (frame.key) ++m_counts.keys;
  return m_pWriter->WriteFrame(std::move(frame.payload), frame.size, index, frame.key);
}

int CClipRemuxer::StartWriting() {
  std::vector<std::uint64_t> stamps;
  stamps.reserve(m_pending.size());
  for (const TimedFrame& frame : m_pending) stamps.push_back(frame.stamp);
  const FrameRate rate = CFrameRateEstimator::Estimate(stamps);

  StreamParameters parameters;
  const TimedFrame& first = m_pending.front();
  if (!ReadStreamParameters(*m_pCodec, first.payload.get(), first.size, parameters)) {
    return Fail("无法读取视频画面尺寸", m_strRecordingName);
  }
  AviStreamSetup setup;
  setup.codec = m_pCodec->GetCodecId();
  setup.codecTag = m_pCodec->GetCodecTag();
  setup.width = parameters.width;
  setup.height = parameters.height;
  setup.extradata = std::move(parameters.extradata);
  setup.timeBase = av_inv_q(rate.rate);
  m_strSetup = std::string(m_pCodec->GetName()) + " " + std::to_string(setup.width) + "x" +
               std::to_string(setup.height) + " " + std::to_string(rate.rate.num) + "/" +
               std::to_string(rate.rate.den) + " fps" + (rate.fromStamps ? "" : " (assumed)");

  m_pWriter = std::make_unique<CAviWriter>();
  if (!m_pWriter->Open(m_pFile->GetFd(), setup)) return FailWrite();

  const double fps = av_q2d(rate.rate);
  const std::int64_t maxDrops = std::max<std::int64_t>(1, std::llround(fps * kMaxDropSeconds));
  m_pTimeline = std::make_unique<CFrameTimeline>(rate.fromStamps ? rate.frameMs : 0.0, maxDrops,
                                                 [this](TimedFrame&& frame, std::int64_t index) {
                                                   return WriteTimedFrame(std::move(frame), index);
                                                 });
  for (TimedFrame& frame : m_pending) {
    if (!m_pTimeline->Push(std::move(frame))) return FailWrite();
  }
  m_pending.clear();
  m_nPendingBytes = 0;
  return 0;
}

int CClipRemuxer::Run(const std::string& recording, const std::string& output) {
  m_strRecordingName = CProtocolWriter::FileName(recording);
  m_strOutputName = CProtocolWriter::FileName(output);
  if (m_strOutputName.empty()) m_strOutputName = output;

  struct stat recordingStat {};
  if (::stat(recording.c_str(), &recordingStat) != 0) {
    return Fail(errno == ENOENT ? "录像文件不存在" : "无法访问录像文件", m_strRecordingName);
  }
  if (!S_ISREG(recordingStat.st_mode)) return Fail("录像路径不是文件", m_strRecordingName);
  struct stat outputStat {};
  if (::stat(output.c_str(), &outputStat) == 0) {
    if (S_ISDIR(outputStat.st_mode)) return Fail("输出路径是一个文件夹", m_strOutputName);
    if (outputStat.st_dev == recordingStat.st_dev && outputStat.st_ino == recordingStat.st_ino) {
      return Fail("输出文件不能是录像文件本身", m_strOutputName);
    }
  }

  CTQVFileReader reader;
  if (!reader.OpenTQVFile(recording.c_str())) return Fail("无法打开录像文件", m_strRecordingName);
  struct ReaderCloser {
    CTQVFileReader& reader;
    ~ReaderCloser() { reader.CloseTQVFile(); }
  } closer{reader};

  m_pFile = std::make_unique<COutputFile>();
  if (!m_pFile->Create(output)) {
    return Fail("无法创建输出文件" + Reason(errno), m_strOutputName);
  }

  const std::int64_t total = std::max<std::int64_t>(recordingStat.st_size, 1);
  const std::int64_t frameHead = reader.GetVersion() == 1 ? 12 : 16;
  std::int64_t consumed = reader.GetVersion() == 1 ? 256 : 224;
  m_protocol.Progress(static_cast<int>(consumed * 100 / total));

  std::int32_t type = 0, length = 0;
  std::uint64_t stamp = 0;
  std::uint8_t* payload = nullptr;
  while (reader.ReadFrame(type, stamp, length, payload)) {
    std::unique_ptr<std::uint8_t[]> data(payload);
    payload = nullptr;
    consumed += frameHead + std::max(length, 0);
    m_protocol.Progress(static_cast<int>(std::min<std::int64_t>(consumed, total) * 100 / total));
    std::size_t size = length > 0 ? static_cast<std::size_t>(length) : 0;
    PayloadInfo info;
    if (size == 0 || !TakePayload(data, size, info)) {
      if (!info.headers) ++m_counts.skipped;
      continue;
    }
    TimedFrame frame{std::move(data), size, stamp, info.key};
    if (m_pTimeline) {
      if (!m_pTimeline->Push(std::move(frame))) return FailWrite();
      continue;
    }
    m_nPendingBytes += size;
    m_pending.push_back(std::move(frame));
    if (m_pending.size() >= kEstimateFrames || m_nPendingBytes >= kEstimateBytes) {
      if (const int failed = StartWriting(); failed != 0) return failed;
    }
  }

  // The reader stops at the end of the file, at a zero-length record and at a record that is cut
  // short or claims more than the file holds. Only the first two are a proper end: more than one
  // frame head's worth of bytes left unread means records were lost.
  if (recordingStat.st_size - consumed > frameHead) {
    return Fail("录像文件已损坏(记录不完整或长度错误)", m_strRecordingName);
  }
  if (m_pCodec == nullptr) {
    if (m_bSawVideo) return Fail("录像中没有可作起点的关键帧", m_strRecordingName);
    if (m_bSawCoded) return Fail("不支持录像的视频编码", m_strRecordingName);
    return Fail("录像中没有找到视频流", m_strRecordingName);
  }
  if (!m_pTimeline) {
    if (const int failed = StartWriting(); failed != 0) return failed;
  }
  if (!m_pTimeline->Drain()) return FailWrite();
  m_counts.dropped = m_pTimeline->GetDropped();
  m_pTimeline.reset();
  if (!m_pWriter->Finish()) return FailWrite();
  m_pWriter.reset();
  if (!m_pFile->Commit()) return Fail("无法保存输出文件" + Reason(errno), m_strOutputName);

  m_protocol.Info("ClipRemuxer: " + m_strSetup + ", " + std::to_string(m_counts.written) +
                  " frames written, " + std::to_string(m_counts.skipped) + " skipped, " +
                  std::to_string(m_counts.dropped) + " dropped");
  m_protocol.Complete();
  return 0;
}

}  // namespace clipremuxer
