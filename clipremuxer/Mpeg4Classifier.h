// CMpeg4Classifier: MPEG-4 Part 2 video payloads. A frame is a run of start codes (visual object
// sequence, visual object, video object, video object layer, group of VOPs, user data) ending in
// a VOP; its coding type (the two bits after the VOP start code) tells I from P, B and S. The
// stream may start at an I-VOP that follows a VOL header.
#pragma once

#include "clipremuxer/PayloadClassifier.h"

namespace clipremuxer {

class CMpeg4Classifier : public CPayloadClassifier {
 public:
  AVCodecID GetCodecId() const override { return AV_CODEC_ID_MPEG4; }
  const char* GetName() const override { return "MPEG-4"; }
  PayloadInfo Classify(std::uint8_t* data, std::size_t size) override;
};

}  // namespace clipremuxer
