// CBitReader: reads the first fields of a unit's payload bit by bit, with the emulation-prevention
// bytes (00 00 03) of H.264 and HEVC left out. Reading past the end yields zero bits and sets the
// overrun flag; it never reads outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clipremuxer {

class CBitReader {
 public:
  CBitReader(const std::uint8_t* data, std::size_t size) : m_pData(data), m_nSize(size) {}

  unsigned ReadBit();
  std::uint32_t ReadBits(int count);
  // Unsigned Exp-Golomb code; values past 32 bits set the overrun flag.
  std::uint32_t ReadUe();
  bool Overrun() const { return m_bOverrun; }

 private:
  const std::uint8_t* m_pData;
  std::size_t m_nSize;
  std::size_t m_nByte = 0;
  int m_nBit = 0;    // bits of m_pData[m_nByte] already taken, 0..7
  int m_nZeros = 0;  // zero bytes just passed, for emulation prevention
  bool m_bOverrun = false;
};

}  // namespace clipremuxer
