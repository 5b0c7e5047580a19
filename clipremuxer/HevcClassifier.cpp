#include "clipremuxer/HevcClassifier.h"

#include "clipremuxer/StartCode.h"

namespace clipremuxer {
namespace {

enum : int { kVps = 32, kSps = 33, kPps = 34 };

// Defined unit types: VCL 0 to 9 and 16 to 21, parameter sets, delimiters and SEI 32 to 40.
bool IsDefinedType(int type) {
  return (type >= 0 && type <= 9) || (type >= 16 && type <= 21) || (type >= 32 && type <= 40);
}

}  // namespace

std::uint32_t CHevcClassifier::GetCodecTag() const {
  return static_cast<std::uint32_t>('H') | (static_cast<std::uint32_t>('E') << 8) |
         (static_cast<std::uint32_t>('V') << 16) | (static_cast<std::uint32_t>('C') << 24);
}

PayloadInfo CHevcClassifier::Classify(std::uint8_t* data, std::size_t size) {
  PayloadInfo info;
  std::size_t pos = LeadingStartCode(data, size);
  if (pos == 0) return info;
  bool vps = false, sps = false, pps = false;
  while (pos + 1 < size) {
    const std::uint8_t b0 = data[pos], b1 = data[pos + 1];
    const int type = (b0 >> 1) & 0x3F;
    const int layer = ((b0 & 1) << 5) | (b1 >> 3);
    const int temporalId = b1 & 7;
    if ((b0 & 0x80) != 0 || layer != 0 || temporalId == 0 || !IsDefinedType(type)) return info;
    if (type <= 31) {
      info.video = true;
      info.key = type >= 16 && type <= 21;
      info.config = vps && sps && pps;
      return info;
    }
    if (type == kVps) vps = true;
    if (type == kSps) sps = true;
    if (type == kPps) pps = true;
    pos = FindStartCode(data, size, pos + 2);
  }
  info.headers = pos >= size && (vps || sps || pps);
  return info;
}

}  // namespace clipremuxer
