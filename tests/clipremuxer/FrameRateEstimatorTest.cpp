// The frame rate from stamps: common rates from millisecond stamps with rounding, jitter, B-frame
// order and drops, and the 25 fps fallback for stamps that are not milliseconds.
#include <vector>

#include <gtest/gtest.h>

#include "clipremuxer/FrameRateEstimator.h"

namespace clipremuxer {
namespace {

struct Case {
  const char* name;
  std::vector<std::uint64_t> stamps;
  int num, den;
  bool fromStamps;
};

std::vector<std::uint64_t> Evenly(double stepMs, int count, std::uint64_t start = 1000) {
  std::vector<std::uint64_t> stamps;
  for (int i = 0; i < count; ++i) stamps.push_back(start + static_cast<std::uint64_t>(i * stepMs));
  return stamps;
}

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {"25 fps", Evenly(40, 64), 25, 1, true},
      {"30 fps as 33 and 34 ms", Evenly(1000.0 / 30, 64), 30, 1, true},
      {"29.97 fps", Evenly(1001.0 / 30, 64), 30000, 1001, true},
      {"12.5 fps", Evenly(80, 20), 25, 2, true},
      {"60 fps", Evenly(1000.0 / 60, 64), 60, 1, true},
      {"one frame", {5000}, 25, 1, false},
      {"no frames", {}, 25, 1, false},
      {"equal stamps", std::vector<std::uint64_t>(10, 7), 25, 1, false},
      {"90 kHz stamps", Evenly(3600, 64), 25, 1, false},
      {"microsecond-like spacing", Evenly(1, 64), 25, 1, false},
  };
  // B-frames: stamps in presentation order arrive as I P B B P B B ...
  std::vector<std::uint64_t> reordered;
  for (int gop = 0; gop < 10; ++gop) {
    const std::uint64_t base = static_cast<std::uint64_t>(gop) * 120;
    reordered.insert(reordered.end(), {base + 80, base, base + 40});
  }
  cases.push_back({"b-frame order", reordered, 25, 1, true});
  // Drops (double spacings) and jitter of a few ms leave the rate alone.
  std::vector<std::uint64_t> rough = Evenly(40, 64);
  rough.erase(rough.begin() + 10);
  rough.erase(rough.begin() + 30);
  for (std::size_t i = 0; i < rough.size(); i += 3) rough[i] += 3;
  cases.push_back({"drops and jitter", rough, 25, 1, true});
  // An uncommon rate is kept as it is.
  cases.push_back({"uncommon 17 fps", Evenly(1000.0 / 17.5, 64), 35, 2, true});
  return cases;
}

TEST(FrameRateEstimator, RateFromStamps) {
  for (const Case& c : Cases()) {
    const FrameRate rate = CFrameRateEstimator::Estimate(c.stamps);
    EXPECT_EQ(rate.rate.num, c.num) << c.name;
    EXPECT_EQ(rate.rate.den, c.den) << c.name;
    EXPECT_EQ(rate.fromStamps, c.fromStamps) << c.name;
  }
}

}  // namespace
}  // namespace clipremuxer
