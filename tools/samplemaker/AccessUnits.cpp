#include "tools/samplemaker/AccessUnits.h"

#include <cstddef>

namespace {

// Positions where NAL units begin (their start code, three or four bytes) in stream.
std::vector<std::size_t> NalStarts(std::span<const std::uint8_t> s) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i + 2 < s.size(); ++i) {
    if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) {
      starts.push_back(i > 0 && s[i - 1] == 0 ? i - 1 : i);
      i += 2;
    }
  }
  return starts;
}

struct NalKind {
  bool vcl = false;         // a slice of a picture
  bool firstSlice = false;  // the first slice of its picture
  bool opensUnit = false;   // a non-slice unit that may only stand before a picture's slices
  bool key = false;
};

// header: the bytes right after the start code (at least three, or the unit is ignored).
NalKind Classify(std::span<const std::uint8_t> header, VideoCodec codec) {
  NalKind kind;
  if (header.size() < 3) return kind;
  if (codec == VideoCodec::kH264) {
    const int type = header[0] & 0x1F;
    kind.vcl = type >= 1 && type <= 5;
    // first_mb_in_slice is ue(v); it is 0 exactly when its first bit is 1.
    kind.firstSlice = kind.vcl && (header[1] & 0x80) != 0;
    kind.opensUnit = type == 6 || type == 7 || type == 8 || type == 9 || (type >= 14 && type <= 18);
    kind.key = type == 5;
  } else {
    const int type = (header[0] >> 1) & 0x3F;
    kind.vcl = type <= 31;
    kind.firstSlice = kind.vcl && (header[2] & 0x80) != 0;  // first_slice_segment_in_pic_flag
    kind.opensUnit = (type >= 32 && type <= 35) || type == 39 || (type >= 41 && type <= 44) ||
                     (type >= 48 && type <= 55);
    kind.key = type >= 16 && type <= 23;
  }
  return kind;
}

}  // namespace

std::vector<AccessUnit> SplitAccessUnits(std::span<const std::uint8_t> stream, VideoCodec codec) {
  std::vector<AccessUnit> units;
  const std::vector<std::size_t> starts = NalStarts(stream);
  bool unitHasPicture = false;
  for (std::size_t n = 0; n < starts.size(); ++n) {
    const std::size_t begin = n == 0 ? 0 : starts[n];  // bytes before the first start code stay
    const std::size_t end = n + 1 < starts.size() ? starts[n + 1] : stream.size();
    std::size_t header = starts[n] + 3;
    if (stream[starts[n] + 2] == 0) ++header;  // a four-byte start code
    const NalKind kind = Classify(stream.subspan(header, end - header), codec);
    const bool newUnit =
        units.empty() || (unitHasPicture && (kind.opensUnit || (kind.vcl && kind.firstSlice)));
    if (newUnit) {
      units.emplace_back();
      unitHasPicture = false;
    }
    AccessUnit& unit = units.back();
    unit.bytes.insert(unit.bytes.end(), stream.begin() + begin, stream.begin() + end);
    if (kind.vcl) unitHasPicture = true;
    if (kind.key) unit.key = true;
  }
  return units;
}
