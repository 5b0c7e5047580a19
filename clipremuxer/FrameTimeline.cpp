#include "clipremuxer/FrameTimeline.h"

#include <algorithm>
#include <cmath>

namespace clipremuxer {

CFrameTimeline::CFrameTimeline(double frameMs, std::int64_t maxDropsPerGap, Sink sink)
    : m_frameMs(frameMs), m_nMaxDropsPerGap(maxDropsPerGap), m_sink(std::move(sink)) {}

bool CFrameTimeline::Push(TimedFrame&& frame) {
  // A stamp far behind every stamp in the window is no B-frame but a clock that was reset: the
  // frames before it are released as they are, and the comparison starts afresh behind them.
  if (m_frameMs > 0.0 && !m_frames.empty() &&
      static_cast<double>(frame.stamp) + 2.0 * kWindow * m_frameMs <
          static_cast<double>(m_nMaxPushed)) {
    if (!Drain()) return false;
    m_bHaveLast = false;
  }
  if (m_frames.empty() || frame.stamp > m_nMaxPushed) m_nMaxPushed = frame.stamp;
  m_stamps.push(frame.stamp);
  m_frames.push_back(std::move(frame));
  if (m_frames.size() <= kWindow) return true;
  return ReleaseOne();
}

bool CFrameTimeline::Drain() {
  while (!m_frames.empty()) {
    if (!ReleaseOne()) return false;
  }
  return true;
}

bool CFrameTimeline::ReleaseOne() {
  const std::uint64_t stamp = m_stamps.top();
  m_stamps.pop();
  if (m_bHaveLast && m_frameMs > 0.0 && stamp > m_nLastStamp) {
    const double spacings = static_cast<double>(stamp - m_nLastStamp) / m_frameMs;
    // Rounding keeps jitter of up to half a frame from counting as a drop.
    const double missing = std::floor(spacings + 0.5) - 1.0;
    if (missing >= 1.0) {
      m_nDropped += std::min(static_cast<std::int64_t>(std::min(missing, 1e15)), m_nMaxDropsPerGap);
    }
  }
  // A stamp below the last one (the recorder's clock was reset, or a frame came later than the
  // window reaches) starts the comparison afresh from it.
  m_nLastStamp = stamp;
  m_bHaveLast = true;

  TimedFrame frame = std::move(m_frames.front());
  m_frames.pop_front();
  const std::int64_t index = m_nReleased + m_nDropped;
  ++m_nReleased;
  return m_sink(std::move(frame), index);
}

}  // namespace clipremuxer
