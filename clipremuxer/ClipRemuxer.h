// CClipRemuxer: converts one TQV recording into an AVI file without re-encoding.
//
// It walks the recording once, front to back, with CTQVFileReader. Each payload is classified by
// its own bytes; the first payload that a codec can start from fixes the codec, and from then on
// only video frames of that codec reach the AVI. Everything else (audio, junk, frames before the
// first key frame) is skipped and counted. The first frames are held back until the frame rate
// is known from their stamps; after that each frame goes to the file as it is read, so memory
// stays bounded whatever the recording's size.
//
// Progress, errors and a closing summary go out through the protocol writer; a failed run leaves
// no output behind, and an earlier file of the output's name stays as it was.
//
// Threads: one thread; one conversion per object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "clipremuxer/FrameTimeline.h"
#include "clipremuxer/PayloadClassifier.h"
#include "clipremuxer/ProtocolWriter.h"

namespace clipremuxer {

class CAviWriter;
class COutputFile;

struct RemuxCounts {
  std::int64_t written = 0;  // video frames in the AVI
  std::int64_t skipped = 0;  // payloads left out (not video of the stream's codec, or before its
                             // first key frame)
  std::int64_t dropped = 0;  // frames the recorder dropped, written as empty chunks
  std::int64_t keys = 0;     // key frames among the written ones
};

class CClipRemuxer {
 public:
  // Frames held back for the frame-rate estimate, and the byte limit on them.
  static constexpr std::size_t kEstimateFrames = 64;
  static constexpr std::size_t kEstimateBytes = 16u << 20;
  // A gap of stamps is filled with at most this many seconds of empty chunks.
  static constexpr int kMaxDropSeconds = 10;

  explicit CClipRemuxer(CProtocolWriter& protocol);
  ~CClipRemuxer();

  // Converts recording into output. Answers 0 on success (after "Progress:100") and 1 on any
  // failure (after its error line).
  int Run(const std::string& recording, const std::string& output);

  const RemuxCounts& GetCounts() const { return m_counts; }

 private:
  int Fail(const std::string& message, const std::string& fileName);
  int FailWrite();
  // Classifies one payload, fixing the codec when none is fixed yet. May replace data (a record
  // of parameter sets held from before is put in front of its frame).
  bool TakePayload(std::unique_ptr<std::uint8_t[]>& data, std::size_t& size, PayloadInfo& info);
  // Estimates the rate, writes the AVI head and sends the frames held back so far.
  int StartWriting();
  bool WriteTimedFrame(TimedFrame&& frame, std::int64_t index);

  CProtocolWriter& m_protocol;
  std::string m_strRecordingName;
  std::string m_strOutputName;
  std::vector<std::unique_ptr<CPayloadClassifier>> m_candidates;
  CPayloadClassifier* m_pCodec = nullptr;
  std::vector<std::uint8_t> m_heldHeaders;         // a headers-only record waiting for its frame
  const CPayloadClassifier* m_pHeldFor = nullptr;  // the codec whose headers they are
  bool m_bSawVideo = false;  // a frame of some codec, but not one to start from
  bool m_bSawCoded = false;  // a payload that looks like coded data of any kind
  std::vector<TimedFrame> m_pending;
  std::size_t m_nPendingBytes = 0;
  std::unique_ptr<COutputFile> m_pFile;
  std::unique_ptr<CAviWriter> m_pWriter;
  std::unique_ptr<CFrameTimeline> m_pTimeline;
  std::string m_strSetup;  // codec, size and rate, for the summary
  RemuxCounts m_counts;
};

}  // namespace clipremuxer
