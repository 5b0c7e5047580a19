#include "clipremuxer/MjpegClassifier.h"

namespace clipremuxer {

PayloadInfo CMjpegClassifier::Classify(std::uint8_t* data, std::size_t size) {
  PayloadInfo info;
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) return info;
  info.video = true;
  info.key = true;
  int width = 0, height = 0;
  info.config = GetDimensions(data, size, width, height);
  return info;
}

bool CMjpegClassifier::GetDimensions(const std::uint8_t* data, std::size_t size, int& width,
                                     int& height) const {
  // Walk the marker segments after SOI up to the first SOF (C0 to CF but for C4 DHT, C8 JPG and
  // CC DAC); each length is checked against the bytes that remain before it is followed.
  std::size_t pos = 2;
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) return false;
    const std::uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;          // scan or end before any SOF
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      pos += 2;
      continue;
    }
    const std::size_t length = (std::size_t{data[pos + 2]} << 8) | data[pos + 3];
    if (length < 2 || length > size - pos - 2) return false;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (length < 8) return false;
      height = (data[pos + 5] << 8) | data[pos + 6];
      width = (data[pos + 7] << 8) | data[pos + 8];
      return width > 0 && height > 0;
    }
    pos += 2 + length;
  }
  return false;
}

}  // namespace clipremuxer
