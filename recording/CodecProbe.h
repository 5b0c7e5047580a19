// The stream extraction that the codec probe (CProbeTarget::IsTqvH265) runs on an open recording.
#pragma once

#include <cstdint>
#include <string>

class CTQVFileReader;

// Whether a frame type code marks H.265 video: 32, 33 or 34.
inline bool IsH265FrameType(std::int32_t type) {
  return type >= 32 && type <= 34;
}

// Walks every frame of an open reader, writes every payload to sideFile (created or emptied) and
// answers whether any frame had a type code from 32 to 34. Leaves the reader's stream open.
// writeFailed, when given, is set to whether a write to the side file fell short.
bool ExtractStream(CTQVFileReader& reader, const std::string& sideFile,
                   bool* writeFailed = nullptr);
