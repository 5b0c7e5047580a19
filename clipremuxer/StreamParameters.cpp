#include "clipremuxer/StreamParameters.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
}

namespace clipremuxer {
namespace {

std::vector<std::uint8_t> PaddedCopy(const std::uint8_t* data, std::size_t size) {
  // Parsers and filters may read up to AV_INPUT_BUFFER_PADDING_SIZE bytes past the end.
  std::vector<std::uint8_t> copy(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  std::memcpy(copy.data(), data, size);
  return copy;
}

bool ParseDimensions(AVCodecID codec, const std::uint8_t* data, std::size_t size, int& width,
                     int& height) {
  AVCodecParserContext* parser = av_parser_init(codec);
  AVCodecContext* context = avcodec_alloc_context3(nullptr);
  bool found = false;
  if (parser != nullptr && context != nullptr && size <= INT32_MAX) {
    context->codec_type = AVMEDIA_TYPE_VIDEO;
    context->codec_id = codec;
    // Each payload is one whole frame: the parser need not wait for the next one to see its end.
    parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
    std::vector<std::uint8_t> copy = PaddedCopy(data, size);
    std::uint8_t* out = nullptr;
    int outSize = 0;
    av_parser_parse2(parser, context, &out, &outSize, copy.data(), static_cast<int>(size),
                     AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    width = parser->width > 0 ? parser->width : context->width;
    height = parser->height > 0 ? parser->height : context->height;
    found = width > 0 && height > 0;
  }
  if (parser != nullptr) av_parser_close(parser);
  avcodec_free_context(&context);
  return found;
}

std::vector<std::uint8_t> ExtractExtradata(AVCodecID codec, const std::uint8_t* data,
                                           std::size_t size) {
  std::vector<std::uint8_t> extradata;
  const AVBitStreamFilter* filter = av_bsf_get_by_name("extract_extradata");
  AVBSFContext* bsf = nullptr;
  AVPacket* packet = av_packet_alloc();
  if (filter == nullptr || packet == nullptr || size > INT32_MAX ||
      av_bsf_alloc(filter, &bsf) < 0) {
    av_packet_free(&packet);
    return extradata;
  }
  bsf->par_in->codec_type = AVMEDIA_TYPE_VIDEO;
  bsf->par_in->codec_id = codec;
  if (av_bsf_init(bsf) >= 0 && av_new_packet(packet, static_cast<int>(size)) >= 0) {
    std::memcpy(packet->data, data, size);
    if (av_bsf_send_packet(bsf, packet) >= 0 && av_bsf_receive_packet(bsf, packet) >= 0) {
      std::size_t sideSize = 0;
      const std::uint8_t* side =
          av_packet_get_side_data(packet, AV_PKT_DATA_NEW_EXTRADATA, &sideSize);
      if (side != nullptr) extradata.assign(side, side + sideSize);
    }
  }
  av_packet_free(&packet);
  av_bsf_free(&bsf);
  return extradata;
}

}  // namespace

bool ReadStreamParameters(const CPayloadClassifier& classifier, const std::uint8_t* data,
                          std::size_t size, StreamParameters& parameters) {
  const AVCodecID codec = classifier.GetCodecId();
  int width = 0, height = 0;
  if (!classifier.GetDimensions(data, size, width, height) &&
      !ParseDimensions(codec, data, size, width, height)) {
    return false;
  }
  parameters.width = width;
  parameters.height = height;
  // JPEG pictures carry their tables in every frame; the filter knows no JPEG.
  if (codec != AV_CODEC_ID_MJPEG) parameters.extradata = ExtractExtradata(codec, data, size);
  return true;
}

}  // namespace clipremuxer
