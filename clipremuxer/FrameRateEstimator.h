// CFrameRateEstimator: the stream's frame rate from the stamps of its first frames.
//
// Stamps are taken as milliseconds when the frame spacing they show is plausible for video (2 ms
// to 2 s). The spacing is the median of the deltas between the sorted stamps (sorting undoes the
// reordering of B-frames), refined by the mean of the deltas near the median, and the rate is
// snapped to a common one when it lies close. Anything else gives 25 frames per second.
#pragma once

#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

namespace clipremuxer {

struct FrameRate {
  AVRational rate{25, 1};   // frames per second
  bool fromStamps = false;  // false: the 25 fps fallback
  double frameMs = 40.0;    // one frame's spacing in stamp units (ms); 0 when not from stamps
};

class CFrameRateEstimator {
 public:
  // stamps: the first frames' stamps in record order (any number, any order).
  static FrameRate Estimate(const std::vector<std::uint64_t>& stamps);
};

}  // namespace clipremuxer
