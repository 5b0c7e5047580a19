#include "clipremuxer/StartCode.h"

#include <cstring>

namespace clipremuxer {

std::size_t FindStartCode(const std::uint8_t* data, std::size_t size, std::size_t from) {
  // Look for the 01 with memchr and check the two bytes before it: far fewer steps than a byte
  // loop on slice data, where 01 is rare.
  std::size_t pos = from + 2;
  while (pos < size) {
    const void* hit = std::memchr(data + pos, 0x01, size - pos);
    if (hit == nullptr) return size;
    pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
    if (data[pos - 1] == 0 && data[pos - 2] == 0) return pos + 1;
    ++pos;
  }
  return size;
}

std::size_t LeadingStartCode(const std::uint8_t* data, std::size_t size) {
  std::size_t zeros = 0;
  while (zeros < size && zeros < 16 && data[zeros] == 0) ++zeros;
  if (zeros < 2 || zeros >= size || data[zeros] != 0x01) return 0;
  return zeros + 1;
}

std::size_t UnitEnd(const std::uint8_t* data, std::size_t size, std::size_t next) {
  if (next >= size) return size;
  std::size_t end = next - 3;
  while (end > 0 && data[end - 1] == 0) --end;
  return end;
}

}  // namespace clipremuxer
