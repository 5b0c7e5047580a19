// Indices from the timeline: consecutive for regular stamps and B-frame order, skipping dropped
// frames by the size of the gap, and bounded for a long pause.
#include <vector>

#include <gtest/gtest.h>

#include "clipremuxer/FrameTimeline.h"

namespace clipremuxer {
namespace {

std::vector<std::int64_t> Indices(const std::vector<std::uint64_t>& stamps, double frameMs,
                                  std::int64_t maxDrops = 250) {
  std::vector<std::int64_t> indices;
  std::vector<std::uint64_t> order;
  CFrameTimeline timeline(frameMs, maxDrops, [&](TimedFrame&& frame, std::int64_t index) {
    indices.push_back(index);
    order.push_back(frame.stamp);
    return true;
  });
  for (std::uint64_t stamp : stamps) {
    TimedFrame frame;
    frame.stamp = stamp;
    EXPECT_TRUE(timeline.Push(std::move(frame)));
  }
  EXPECT_TRUE(timeline.Drain());
  EXPECT_EQ(order, stamps) << "frames leave in decode order";
  return indices;
}

std::vector<std::int64_t> Range(std::int64_t from, std::int64_t to) {
  std::vector<std::int64_t> out;
  for (std::int64_t i = from; i < to; ++i) out.push_back(i);
  return out;
}

TEST(FrameTimeline, RegularStampsGiveConsecutiveIndices) {
  std::vector<std::uint64_t> stamps;
  for (int i = 0; i < 30; ++i) stamps.push_back(static_cast<std::uint64_t>(i) * 40 + 3 * (i % 2));
  EXPECT_EQ(Indices(stamps, 40), Range(0, 30));
}

TEST(FrameTimeline, BFrameOrderIsNoDrop) {
  std::vector<std::uint64_t> stamps;
  for (int gop = 0; gop < 8; ++gop) {
    const std::uint64_t base = static_cast<std::uint64_t>(gop) * 160;
    stamps.insert(stamps.end(), {base + 120, base, base + 40, base + 80});
  }
  // The first frame's stamp (120) only looks ahead; sorting puts 0, 40, 80 first.
  EXPECT_EQ(Indices(stamps, 40), Range(0, 32));
}

TEST(FrameTimelineDrops, GapsSkipIndices) {
  // Frames 5 and 6 missing (stamps 200, 240), then frame 12 missing.
  std::vector<std::uint64_t> stamps;
  for (int i = 0; i < 20; ++i) {
    if (i != 5 && i != 6 && i != 12) stamps.push_back(static_cast<std::uint64_t>(i) * 40);
  }
  std::vector<std::int64_t> expected;
  for (int i = 0; i < 20; ++i) {
    if (i != 5 && i != 6 && i != 12) expected.push_back(i);
  }
  EXPECT_EQ(Indices(stamps, 40), expected);
}

TEST(FrameTimelineDrops, LongPauseIsBounded) {
  const std::vector<std::uint64_t> stamps = {0, 40, 80, 3'600'000, 3'600'040};
  EXPECT_EQ(Indices(stamps, 40, 250), (std::vector<std::int64_t>{0, 1, 2, 253, 254}));
}

TEST(FrameTimelineDrops, OffWithoutARate) {
  const std::vector<std::uint64_t> stamps = {0, 3600, 7200, 90000};
  EXPECT_EQ(Indices(stamps, 0.0), Range(0, 4));
}

TEST(FrameTimelineDrops, ClockResetIsNoDrop) {
  std::vector<std::uint64_t> stamps;
  for (int i = 0; i < 20; ++i) stamps.push_back(100000 + static_cast<std::uint64_t>(i) * 40);
  for (int i = 0; i < 20; ++i) stamps.push_back(static_cast<std::uint64_t>(i) * 40);
  EXPECT_EQ(Indices(stamps, 40), Range(0, 40));
}

}  // namespace
}  // namespace clipremuxer
