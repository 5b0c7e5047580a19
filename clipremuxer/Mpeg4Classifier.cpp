#include "clipremuxer/Mpeg4Classifier.h"

#include "clipremuxer/StartCode.h"

namespace clipremuxer {
namespace {

enum : std::uint8_t {
  kVolFirst = 0x20,
  kVolLast = 0x2F,
  kVosStart = 0xB0,
  kVosEnd = 0xB1,
  kUserData = 0xB2,
  kGov = 0xB3,
  kVisualObject = 0xB5,
  kVop = 0xB6,
};

}  // namespace

PayloadInfo CMpeg4Classifier::Classify(std::uint8_t* data, std::size_t size) {
  PayloadInfo info;
  std::size_t pos = LeadingStartCode(data, size);
  if (pos == 0) return info;
  bool vol = false;
  while (pos < size) {
    const std::uint8_t code = data[pos];
    if (code == kVop) {
      if (pos + 1 >= size) return info;
      info.video = true;
      info.key = (data[pos + 1] >> 6) == 0;  // vop_coding_type 0: intra
      info.config = vol;
      return info;
    }
    if (code >= kVolFirst && code <= kVolLast) {
      vol = true;
    } else if (code > kVolLast && code != kVosStart && code != kVosEnd && code != kUserData &&
               code != kGov && code != kVisualObject) {
      return info;  // not a start code of this format (H.264 units, MPEG-2 slices, ...)
    }
    pos = FindStartCode(data, size, pos + 1);
  }
  info.headers = pos >= size && vol;
  return info;
}

}  // namespace clipremuxer
