// The payload classifiers on hand-made payloads: what each takes as a frame, a key frame and a
// start, and that none of them takes the others' data or reads past a short payload.
#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clipremuxer/H264Classifier.h"
#include "clipremuxer/HevcClassifier.h"
#include "clipremuxer/MjpegClassifier.h"
#include "clipremuxer/Mpeg4Classifier.h"

namespace clipremuxer {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// H.264 units behind start codes.
const Bytes kSps = {0, 0, 0, 1, 0x67, 0x42, 0xC0, 0x1E, 0xD9, 0x01, 0x40, 0x7B, 0x20};
const Bytes kPps = {0, 0, 0, 1, 0x68, 0xCE, 0x3C, 0x80};
const Bytes kIdr = {0, 0, 1, 0x65, 0x88, 0x84, 0x00, 0x33};
const Bytes kIntraNonIdr = {0, 0, 1, 0x41, 0x88, 0x84, 0x21};  // slice_type 7 (I)
const Bytes kPredicted = {0, 0, 1, 0x41, 0x9A, 0x02, 0x0C};    // slice_type 5 (P)
const Bytes kRecoverySei = {0, 0, 1, 0x06, 0x06, 0x01, 0xC4, 0x80};
const Bytes kAud = {0, 0, 0, 1, 0x09, 0xF0};

// HEVC units.
const Bytes kVps = {0, 0, 0, 1, 0x40, 0x01, 0x0C, 0x01, 0xFF};
const Bytes kHevcSps = {0, 0, 1, 0x42, 0x01, 0x01, 0x01, 0x60};
const Bytes kHevcPps = {0, 0, 1, 0x44, 0x01, 0xC1, 0x72};
const Bytes kHevcIdr = {0, 0, 1, 0x26, 0x01, 0xAF, 0x06};
const Bytes kHevcCra = {0, 0, 1, 0x2A, 0x01, 0xAD, 0x00};
const Bytes kHevcTrail = {0, 0, 1, 0x02, 0x01, 0xD0, 0x11};

// MPEG-4 Part 2 headers and VOPs.
const Bytes kVos = {0, 0, 1, 0xB0, 0x01, 0, 0, 1, 0xB5, 0x89, 0x13, 0, 0, 1, 0x00};
const Bytes kVol = {0, 0, 1, 0x20, 0x00, 0xC4, 0x8D, 0x88};
const Bytes kIVop = {0, 0, 1, 0xB6, 0x10, 0x60, 0x51};
const Bytes kPVop = {0, 0, 1, 0xB6, 0x51, 0x83, 0x20};

// JPEG: SOI, APP0, SOF0 of 320x240, SOS.
const Bytes kJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x4A, 0x46, 0xFF, 0xC0, 0x00, 0x0B,
                     0x08, 0x00, 0xF0, 0x01, 0x40, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xDA, 0x00};

struct Case {
  const char* name;
  Bytes payload;
  // Expected per classifier (H.264, HEVC, MPEG-4, MJPEG): 'S' can start, 'K' key frame without
  // parameter sets, 'F' other frame, 'H' headers only, '-' not its data.
  const char* expect;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

char Verdict(const PayloadInfo& info) {
  if (info.CanStart()) return 'S';
  if (info.video) return info.key ? 'K' : 'F';
  return info.headers ? 'H' : '-';
}

class ClassifierTable : public ::testing::TestWithParam<Case> {};

TEST_P(ClassifierTable, ClassifiesByItsOwnBytes) {
  const Case& c = GetParam();
  std::vector<std::unique_ptr<CPayloadClassifier>> classifiers;
  classifiers.push_back(std::make_unique<CH264Classifier>());
  classifiers.push_back(std::make_unique<CHevcClassifier>());
  classifiers.push_back(std::make_unique<CMpeg4Classifier>());
  classifiers.push_back(std::make_unique<CMjpegClassifier>());
  std::string got;
  for (auto& classifier : classifiers) {
    // An exact-size heap copy, so that AddressSanitizer sees any read past the end.
    std::unique_ptr<std::uint8_t[]> copy(
        new std::uint8_t[std::max<std::size_t>(c.payload.size(), 1)]);
    if (!c.payload.empty()) std::memcpy(copy.get(), c.payload.data(), c.payload.size());
    got += Verdict(classifier->Classify(copy.get(), c.payload.size()));
  }
  EXPECT_EQ(got, c.expect) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Payloads, ClassifierTable,
    ::testing::Values(
        Case{"h264 idr with sps pps", Join({kAud, kSps, kPps, kIdr}), "S---"},
        Case{"h264 idr alone", kIdr, "K---"}, Case{"h264 p slice", kPredicted, "F---"},
        Case{"h264 i slice with sps", Join({kSps, kPps, kIntraNonIdr}), "S---"},
        Case{"h264 i slice alone is no key", kIntraNonIdr, "F---"},
        // An H.264 SEI header byte followed by a small payload type reads as an HEVC picture;
        // harmless, since a stream starts only from parameter sets and a key picture.
        Case{"h264 i slice after recovery point", Join({kRecoverySei, kIntraNonIdr}), "KF--"},
        Case{"h264 parameter sets only", Join({kSps, kPps}), "H---"},
        Case{"hevc irap with parameter sets", Join({kVps, kHevcSps, kHevcPps, kHevcIdr}), "-S--"},
        // A CRA header byte lies in MPEG-4's VOL range; without a VOP it is only taken as headers.
        Case{"hevc cra alone", kHevcCra, "-KH-"}, Case{"hevc trailing picture", kHevcTrail, "-F--"},
        Case{"hevc parameter sets only", Join({kVps, kHevcSps, kHevcPps}), "-H--"},
        Case{"mpeg4 i-vop with vol", Join({kVos, kVol, kIVop}), "--S-"},
        Case{"mpeg4 p-vop", kPVop, "--F-"}, Case{"mpeg4 i-vop without vol", kIVop, "--K-"},
        Case{"jpeg picture", kJpeg, "---S"},
        Case{"jpeg without sof", Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02}, "---K"},
        Case{"jpeg whose sof runs past the end", Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x40, 0x08},
             "---K"},
        Case{"mpeg2 sequence header", Bytes{0, 0, 1, 0xB3, 0x14, 0x00, 0xF0, 0, 0, 1, 0xB8, 0},
             "----"},
        Case{"aac adts frame", Bytes{0xFF, 0xF1, 0x50, 0x80, 0x02, 0x1F, 0xFC, 0x21}, "----"},
        Case{"silence", Bytes(64, 0), "----"}, Case{"empty", Bytes{}, "----"},
        Case{"bare start code", Bytes{0, 0, 1}, "----"},
        Case{"start code and one byte", Bytes{0, 0, 1, 0x42}, "----"},
        Case{"length cut short", Bytes{0, 0, 0, 9, 0x65, 0x88}, "----"}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(H264Classifier, RewritesLengthPrefixedUnitsIntoAnnexB) {
  // SPS, PPS and IDR each behind a 4-byte length, as in MP4.
  Bytes payload;
  for (const Bytes* unit : {&kSps, &kPps, &kIdr}) {
    const std::size_t skip = (*unit)[2] == 1 ? 3 : 4;
    const std::uint32_t length = static_cast<std::uint32_t>(unit->size() - skip);
    payload.insert(payload.end(), {0, 0, static_cast<std::uint8_t>(length >> 8),
                                   static_cast<std::uint8_t>(length)});
    payload.insert(payload.end(), unit->begin() + static_cast<std::ptrdiff_t>(skip), unit->end());
  }
  Bytes expected = payload;
  for (std::size_t pos = 0; pos < expected.size();) {
    const std::size_t length = (std::size_t{expected[pos + 2]} << 8) | expected[pos + 3];
    expected[pos + 2] = 0, expected[pos + 3] = 1;
    pos += 4 + length;
  }
  CH264Classifier classifier;
  const PayloadInfo info = classifier.Classify(payload.data(), payload.size());
  EXPECT_TRUE(info.CanStart());
  EXPECT_EQ(payload, expected);
  EXPECT_EQ(classifier.GetRewrittenCount(), 1);

  // A chain that does not cover the payload exactly is left alone.
  Bytes broken = {0, 0, 0, 3, 0x65, 0x88, 0x84, 0x00};
  const Bytes before = broken;
  classifier.Classify(broken.data(), broken.size());
  EXPECT_EQ(broken, before);
}

TEST(MjpegClassifier, ReadsTheSizeFromSof) {
  CMjpegClassifier classifier;
  int width = 0, height = 0;
  ASSERT_TRUE(classifier.GetDimensions(kJpeg.data(), kJpeg.size(), width, height));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
}

}  // namespace
}  // namespace clipremuxer
