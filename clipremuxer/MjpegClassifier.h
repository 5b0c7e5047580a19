// CMjpegClassifier: Motion JPEG payloads, each a whole JPEG picture beginning FF D8 FF. Every
// picture is a key frame; one whose SOF marker is found before its scan can start the stream and
// gives the width and height.
#pragma once

#include "clipremuxer/PayloadClassifier.h"

namespace clipremuxer {

class CMjpegClassifier : public CPayloadClassifier {
 public:
  AVCodecID GetCodecId() const override { return AV_CODEC_ID_MJPEG; }
  const char* GetName() const override { return "MJPEG"; }
  PayloadInfo Classify(std::uint8_t* data, std::size_t size) override;
  bool GetDimensions(const std::uint8_t* data, std::size_t size, int& width,
                     int& height) const override;
};

}  // namespace clipremuxer
