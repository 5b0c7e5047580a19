// Splitting a raw H.264 or H.265 stream (Annex B: NAL units behind 00 00 01 start codes) into
// access units, one per coded picture, so that each can become one frame record.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

enum class VideoCodec { kH264, kH265 };

struct AccessUnit {
  std::vector<std::uint8_t> bytes;  // the unit's NAL units with their start codes, as in the stream
  bool key = false;                 // holds an IDR picture (H.264) or an IRAP picture (H.265)
};

// Cuts stream at the first NAL unit of every access unit: a parameter set, delimiter or prefix
// SEI that follows a picture, or a slice that starts a new picture. The units joined back to
// back give the stream again, byte for byte.
std::vector<AccessUnit> SplitAccessUnits(std::span<const std::uint8_t> stream, VideoCodec codec);
