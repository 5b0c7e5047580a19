#include "clipremuxer/H264Classifier.h"

#include "clipremuxer/BitReader.h"
#include "clipremuxer/StartCode.h"

namespace clipremuxer {
namespace {

enum : int { kSliceNonIdr = 1, kSliceIdr = 5, kSei = 6, kSps = 7, kPps = 8 };

// Unit types 1 to 23 are defined or reserved; 0 and 24 to 31 never appear in a plain stream and
// are what other data looks like when read as H.264.
bool IsValidHeader(std::uint8_t header) {
  const int type = header & 0x1F;
  return (header & 0x80) == 0 && type >= 1 && type <= 23;
}

// Whether an SEI unit (payload after its header byte) holds a recovery-point message (type 6).
bool HasRecoveryPoint(const std::uint8_t* p, std::size_t size) {
  std::size_t pos = 0;
  while (pos < size && p[pos] != 0x80) {  // 0x80: the trailing bits that end the unit
    std::size_t type = 0;
    while (pos < size && p[pos] == 0xFF) type += 255, ++pos;
    if (pos >= size) return false;
    type += p[pos++];
    std::size_t length = 0;
    while (pos < size && p[pos] == 0xFF) length += 255, ++pos;
    if (pos >= size) return false;
    length += p[pos++];
    if (type == 6) return true;
    pos += length;
  }
  return false;
}

// Whether the slice whose payload begins at p is an I or SI slice.
bool IsIntraSlice(const std::uint8_t* p, std::size_t size) {
  CBitReader bits(p, size < 16 ? size : 16);
  bits.ReadUe();  // first_mb_in_slice
  const std::uint32_t sliceType = bits.ReadUe();
  return !bits.Overrun() && (sliceType % 5 == 2 || sliceType % 5 == 4);
}

}  // namespace

bool IsLengthPrefixedH264(const std::uint8_t* data, std::size_t size) {
  std::size_t pos = 0;
  if (size < 5) return false;
  while (pos < size) {
    if (size - pos < 5) return false;
    const std::uint32_t length = (std::uint32_t{data[pos]} << 24) |
                                 (std::uint32_t{data[pos + 1]} << 16) |
                                 (std::uint32_t{data[pos + 2]} << 8) | data[pos + 3];
    if (length == 0 || length > size - pos - 4 || !IsValidHeader(data[pos + 4])) return false;
    pos += 4 + length;
  }
  return true;
}

PayloadInfo CH264Classifier::Classify(std::uint8_t* data, std::size_t size) {
  PayloadInfo info;
  // A strict length chain wins over a start code at the front: a length such as 0x00000167 reads
  // as 00 00 01 67, while an Annex B payload practically never forms an exact chain.
  bool rewritten = false;
  if (IsLengthPrefixedH264(data, size)) {
    // Checked first so that a payload that is not H.264 is left untouched.
    std::size_t pos = 0;
    while (pos < size) {
      const std::size_t length = (std::size_t{data[pos]} << 24) |
                                 (std::size_t{data[pos + 1]} << 16) |
                                 (std::size_t{data[pos + 2]} << 8) | data[pos + 3];
      data[pos] = 0, data[pos + 1] = 0, data[pos + 2] = 0, data[pos + 3] = 1;
      pos += 4 + length;
    }
    rewritten = true;
  }
  std::size_t pos = LeadingStartCode(data, size);
  if (pos == 0) return info;
  bool sps = false, pps = false, recovery = false;
  while (pos < size) {
    const std::uint8_t header = data[pos];
    if (!IsValidHeader(header)) return PayloadInfo{};
    const int type = header & 0x1F;
    // Data partitions (types 2 to 4, extended profile only) are not taken: HEVC's trailing
    // pictures read as partition A.
    if (type == kSliceNonIdr || type == kSliceIdr) {
      info.video = true;
      info.config = sps && pps;
      if (type == kSliceIdr) {
        info.key = true;
      } else if (type == kSliceNonIdr && (sps || recovery)) {
        info.key = IsIntraSlice(data + pos + 1, size - pos - 1);
      }
      if (rewritten) ++m_nRewritten;
      return info;
    }
    const std::size_t next = FindStartCode(data, size, pos + 1);
    if (type == kSps) sps = true;
    if (type == kPps) pps = true;
    if (type == kSei && !recovery) {
      recovery = HasRecoveryPoint(data + pos + 1, UnitEnd(data, size, next) - pos - 1);
    }
    pos = next;
  }
  if (pos >= size && (sps || pps)) {
    info.headers = true;
    return info;
  }
  // Not a frame of H.264 (no slice, or a unit no H.264 stream holds). A payload rewritten above
  // had valid headers throughout and a slice is all it could lack; it stays rewritten, which
  // harms nothing since it is skipped.
  return PayloadInfo{};
}

}  // namespace clipremuxer
