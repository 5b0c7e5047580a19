// CH264Classifier: H.264 payloads, in Annex B (start codes) or length-prefixed (4-byte big-endian
// lengths, as in MP4). Length-prefixed payloads are rewritten in place into Annex B: each length
// field becomes the start code 00 00 00 01, so the size does not change.
//
// Scanning stops at the first slice of each payload; the slice data behind it is never read.
// A key frame is an IDR slice, or an I slice with an SPS or a recovery-point SEI before it.
#pragma once

#include "clipremuxer/PayloadClassifier.h"

namespace clipremuxer {

class CH264Classifier : public CPayloadClassifier {
 public:
  AVCodecID GetCodecId() const override { return AV_CODEC_ID_H264; }
  const char* GetName() const override { return "H.264"; }
  PayloadInfo Classify(std::uint8_t* data, std::size_t size) override;

  // Number of payloads that arrived length-prefixed and were rewritten.
  long GetRewrittenCount() const { return m_nRewritten; }

 private:
  long m_nRewritten = 0;
};

// Whether data, size is a chain of 4-byte big-endian lengths each followed by an H.264 unit, the
// chain covering the payload exactly.
bool IsLengthPrefixedH264(const std::uint8_t* data, std::size_t size);

}  // namespace clipremuxer
