#include "clipremuxer/FrameRateEstimator.h"

#include <algorithm>
#include <cmath>

namespace clipremuxer {
namespace {

constexpr double kMinFrameMs = 2.0;
constexpr double kMaxFrameMs = 2000.0;
// A rate within this fraction of a common rate is taken as that rate.
constexpr double kSnapTolerance = 0.03;

struct CommonRate {
  int num, den;
};
constexpr CommonRate kCommonRates[] = {
    {1, 1},  {2, 1},        {3, 1},   {5, 1},   {6, 1},   {8, 1},        {10, 1},
    {12, 1}, {25, 2},       {15, 1},  {16, 1},  {20, 1},  {24000, 1001}, {24, 1},
    {25, 1}, {30000, 1001}, {30, 1},  {48, 1},  {50, 1},  {60000, 1001}, {60, 1},
    {72, 1}, {90, 1},       {100, 1}, {120, 1}, {144, 1}, {240, 1},
};

}  // namespace

FrameRate CFrameRateEstimator::Estimate(const std::vector<std::uint64_t>& stamps) {
  FrameRate fallback;
  fallback.frameMs = 0.0;
  if (stamps.size() < 2) return fallback;
  std::vector<std::uint64_t> sorted(stamps);
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> deltas;
  deltas.reserve(sorted.size());
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    // Equal stamps (a stamp repeated by the recorder) say nothing about the spacing.
    if (sorted[i] != sorted[i - 1])
      deltas.push_back(static_cast<double>(sorted[i] - sorted[i - 1]));
  }
  if (deltas.empty()) return fallback;
  std::vector<double> ordered(deltas);
  std::nth_element(ordered.begin(), ordered.begin() + ordered.size() / 2, ordered.end());
  const double median = ordered[ordered.size() / 2];
  if (median < kMinFrameMs || median > kMaxFrameMs) return fallback;

  // Mean of the deltas within half a frame of the median: millisecond stamps of 30 fps alternate
  // 33 and 34, while dropped frames (double deltas) and jitter spikes stay out.
  double sum = 0.0;
  int count = 0;
  for (double d : deltas) {
    if (d >= median * 0.5 && d <= median * 1.5) sum += d, ++count;
  }
  const double frameMs = sum / count;
  const double fps = 1000.0 / frameMs;

  FrameRate result;
  result.fromStamps = true;
  double bestError = kSnapTolerance;
  bool snapped = false;
  for (const CommonRate& common : kCommonRates) {
    const double value = static_cast<double>(common.num) / common.den;
    const double error = std::fabs(fps - value) / value;
    if (error <= bestError) {
      bestError = error;
      result.rate = AVRational{common.num, common.den};
      snapped = true;
    }
  }
  if (!snapped) {
    // An uncommon rate is kept to a thousandth of a frame per second.
    const long long milli = std::llround(fps * 1000.0);
    int num = 0, den = 0;
    av_reduce(&num, &den, milli, 1000, 1 << 30);
    result.rate = AVRational{num, den};
  }
  result.frameMs = 1000.0 * result.rate.den / result.rate.num;
  return result;
}

}  // namespace clipremuxer
