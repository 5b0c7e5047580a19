// CPayloadClassifier: tells, from a frame payload's own bytes, whether it is a video frame of one
// codec, whether it is a key frame, and whether it carries what a decoder needs to start.
//
// The recording's frame type codes are not trusted: recorders mix audio and other data into the
// same stream, and the codes differ between recorders. One classifier exists per codec; the
// converter fixes the codec with the first payload that some classifier can start from.
//
// Threads: a classifier is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace clipremuxer {

struct PayloadInfo {
  bool video = false;   // a frame of this classifier's codec
  bool key = false;     // a key frame by its own units
  bool config = false;  // carries the codec's parameter sets (H.264 SPS and PPS, ...)
  // Not a frame, but well-formed parameter sets or headers of this codec and nothing else: some
  // recorders write them as a record of their own before the key frame they belong to.
  bool headers = false;

  // The stream may begin with this payload.
  bool CanStart() const { return video && key && config; }
};

class CPayloadClassifier {
 public:
  virtual ~CPayloadClassifier() = default;

  virtual AVCodecID GetCodecId() const = 0;
  // The AVI codec tag to set, or 0 for the muxer's own choice.
  virtual std::uint32_t GetCodecTag() const { return 0; }
  // Short codec name for the closing summary.
  virtual const char* GetName() const = 0;

  // Classifies one payload of size bytes. It reads no byte outside data[0, size). A classifier may
  // rewrite the payload in place into the form the AVI carries (length-prefixed H.264 becomes
  // Annex B, at the same size); it does so only to a payload whose bytes form that codec's units.
  virtual PayloadInfo Classify(std::uint8_t* data, std::size_t size) = 0;

  // Width and height when the codec's own headers give them directly (the JPEG SOF marker); false
  // when the codec's parser is to be asked instead.
  virtual bool GetDimensions(const std::uint8_t* /*data*/, std::size_t /*size*/, int& /*width*/,
                             int& /*height*/) const {
    return false;
  }
};

}  // namespace clipremuxer
