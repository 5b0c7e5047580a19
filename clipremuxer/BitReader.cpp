#include "clipremuxer/BitReader.h"

namespace clipremuxer {

unsigned CBitReader::ReadBit() {
  if (m_nBit == 0) {
    // Entering a new byte: an 03 after two zero bytes was inserted by the encoder and is skipped.
    if (m_nZeros >= 2 && m_nByte < m_nSize && m_pData[m_nByte] == 0x03) {
      ++m_nByte;
      m_nZeros = 0;
    }
  }
  if (m_nByte >= m_nSize) {
    m_bOverrun = true;
    return 0;
  }
  const std::uint8_t byte = m_pData[m_nByte];
  const unsigned bit = (byte >> (7 - m_nBit)) & 1u;
  if (++m_nBit == 8) {
    m_nBit = 0;
    ++m_nByte;
    m_nZeros = byte == 0 ? m_nZeros + 1 : 0;
  }
  return bit;
}

std::uint32_t CBitReader::ReadBits(int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 1) | ReadBit();
  return value;
}

std::uint32_t CBitReader::ReadUe() {
  int zeros = 0;
  while (ReadBit() == 0) {
    if (m_bOverrun || ++zeros > 31) {
      m_bOverrun = true;
      return 0;
    }
  }
  if (zeros == 0) return 0;
  return ((1u << zeros) - 1u) + ReadBits(zeros);
}

}  // namespace clipremuxer
