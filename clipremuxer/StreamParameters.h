// Reads what the AVI's stream header needs from the first key frame: the picture size from the
// codec's parser (or from the classifier, for JPEG's SOF marker) and the extradata (parameter
// sets) from FFmpeg's extract_extradata filter. Both work on a padded copy of the frame, so the
// frame itself is left as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "clipremuxer/PayloadClassifier.h"

namespace clipremuxer {

struct StreamParameters {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> extradata;  // empty when the codec has none in band
};

// Fills parameters from the key frame data, size. False when the picture size cannot be found.
bool ReadStreamParameters(const CPayloadClassifier& classifier, const std::uint8_t* data,
                          std::size_t size, StreamParameters& parameters);

}  // namespace clipremuxer
