// CHevcClassifier: HEVC payloads in Annex B. Units have a two-byte header (type, layer, temporal
// id); only layer 0 with a temporal id of 1 or more is taken, which also keeps H.264 out (every
// H.264 slice header byte reads as a layer above 0).
//
// Scanning stops at the first VCL unit. A key frame is an IRAP unit (types 16 to 21); the stream
// may start at one that follows a VPS, an SPS and a PPS.
#pragma once

#include "clipremuxer/PayloadClassifier.h"

namespace clipremuxer {

class CHevcClassifier : public CPayloadClassifier {
 public:
  AVCodecID GetCodecId() const override { return AV_CODEC_ID_HEVC; }
  // FFmpeg's AVI tag table has no HEVC entry; with tag 0 the file reads back as raw video.
  std::uint32_t GetCodecTag() const override;
  const char* GetName() const override { return "HEVC"; }
  PayloadInfo Classify(std::uint8_t* data, std::size_t size) override;
};

}  // namespace clipremuxer
