// CFrameTimeline: gives each video frame its index in the AVI (pts = dts = index) and finds the
// frames the recorder dropped.
//
// Frames arrive in decode order, but their stamps are in presentation order, so B-frames make the
// stamps jump back and forth. A small window sorts the stamps back: a frame leaves the timeline
// once kWindow frames stand behind it, and at that point the smallest stamp in the window is
// compared with the one released before it. A gap of k frame spacings means k - 1 frames were
// dropped; they become k - 1 skipped indices (the muxer writes empty chunks for them), at most
// maxDropsPerGap for one gap so that a recorder's pause does not fill the file with empty chunks.
//
// Threads: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <queue>
#include <vector>

namespace clipremuxer {

struct TimedFrame {
  std::unique_ptr<std::uint8_t[]> payload;
  std::size_t size = 0;
  std::uint64_t stamp = 0;
  bool key = false;
};

class CFrameTimeline {
 public:
  static constexpr std::size_t kWindow = 8;

  // Receives each frame as it leaves the timeline, with its index; answers false to stop.
  using Sink = std::function<bool(TimedFrame&& frame, std::int64_t index)>;

  // frameMs: one frame's spacing in stamp units; 0 turns drop detection off.
  CFrameTimeline(double frameMs, std::int64_t maxDropsPerGap, Sink sink);

  // Takes a frame in decode order; false when the sink refused one.
  bool Push(TimedFrame&& frame);
  // Releases every frame still held; false when the sink refused one.
  bool Drain();

  std::int64_t GetDropped() const { return m_nDropped; }
  std::int64_t GetReleased() const { return m_nReleased; }

 private:
  bool ReleaseOne();

  double m_frameMs;
  std::int64_t m_nMaxDropsPerGap;
  Sink m_sink;
  std::deque<TimedFrame> m_frames;
  std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> m_stamps;
  bool m_bHaveLast = false;
  std::uint64_t m_nLastStamp = 0;
  std::uint64_t m_nMaxPushed = 0;  // the largest stamp among the frames held
  std::int64_t m_nDropped = 0;
  std::int64_t m_nReleased = 0;
};

}  // namespace clipremuxer
