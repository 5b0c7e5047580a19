// Start-code search for the byte-stream video formats (H.264 Annex B, HEVC, MPEG-4 Part 2), whose
// units each begin with the three bytes 00 00 01.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clipremuxer {

// Offset just past the first 00 00 01 that begins at or after from, or size when there is none.
std::size_t FindStartCode(const std::uint8_t* data, std::size_t size, std::size_t from);

// When data begins with a start code (two or more zero bytes, then 01), the offset just past it;
// 0 otherwise. Up to 16 leading zero bytes are accepted (trailing zeros of a previous unit).
std::size_t LeadingStartCode(const std::uint8_t* data, std::size_t size);

// End of the unit that begins at from and runs to the start code found at next (as returned by
// FindStartCode): next less the start code and the zero bytes before it, or size at the end.
std::size_t UnitEnd(const std::uint8_t* data, std::size_t size, std::size_t next);

}  // namespace clipremuxer
