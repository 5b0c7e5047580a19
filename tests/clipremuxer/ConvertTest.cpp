// End to end: the real converter on sample and hand-made recordings, each AVI checked with
// ffprobe (codec, size, frames, key frames, rate) and decoded by ffmpeg without an error, the
// protocol checked line by line, and nothing but the AVI left behind.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/clipremuxer/RemuxFixtures.h"

namespace remuxtest {
namespace {

using Payloads = std::vector<std::vector<std::uint8_t>>;

const std::vector<std::string> kH264 = {"-c:v",   "libx264",          "-g", "25",
                                        "-bsf:v", "h264_mp4toannexb", "-f", "h264"};
const std::vector<std::string> kH264BFrames = {
    "-c:v", "libx264", "-g", "25", "-bf", "2", "-bsf:v", "h264_mp4toannexb", "-f", "h264"};
const std::vector<std::string> kMpeg4 = {"-c:v", "mpeg4", "-g", "25", "-f", "m4v"};
const std::vector<std::string> kMjpeg = {"-c:v", "mjpeg", "-f", "mjpeg"};

Payloads H264(int frames = 50) {
  return SplitH264(Encode(kH264, frames));
}

// Every H.264 unit behind a 4-byte length instead of a start code.
std::vector<std::uint8_t> ToLengthPrefixed(const std::vector<std::uint8_t>& annexB) {
  std::vector<std::size_t> starts;  // offsets of unit headers
  for (std::size_t i = 0; i + 3 <= annexB.size(); ++i) {
    if (annexB[i] == 0 && annexB[i + 1] == 0 && annexB[i + 2] == 1) starts.push_back(i + 3);
  }
  std::vector<std::uint8_t> out;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    std::size_t end = k + 1 < starts.size() ? starts[k + 1] - 3 : annexB.size();
    while (k + 1 < starts.size() && end > starts[k] && annexB[end - 1] == 0) --end;
    const std::size_t length = end - starts[k];
    out.insert(out.end(),
               {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
    out.insert(out.end(), annexB.begin() + static_cast<std::ptrdiff_t>(starts[k]),
               annexB.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return out;
}

struct Expect {
  std::string codec;
  int frames;
  int keys;
  std::string rate;
  int skipped = 0;
};

class Convert : public RemuxTest {
 protected:
  // Converts recording into out.avi beside it and checks everything about the result.
  void Check(const std::string& recording, const Expect& expect, const std::string& name) {
    const std::string output = Path("out.avi");
    const std::string before = ReadFile(recording);
    const RunResult run = RunRemuxer(recording, output);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;

    const std::vector<std::string> lines = ProtocolLines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "@@[cv]+" + name + ">##<Progress:100\r\n");
    int last = -1;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      const std::string prefix = "@@[cv]+" + name + ">##<Progress:";
      ASSERT_EQ(lines[i].rfind(prefix, 0), 0u) << lines[i];
      ASSERT_EQ(lines[i].substr(lines[i].size() - 2), "\r\n");
      const int value = std::stoi(lines[i].substr(prefix.size()));
      EXPECT_GT(value, last) << "progress only when it changes, and never back";
      EXPECT_LT(value, 100);
      last = value;
    }
    EXPECT_NE(run.out.find(" " + std::to_string(expect.skipped) + " skipped,"), std::string::npos)
        << run.out;

    const auto probe = Probe(output);
    EXPECT_EQ(probe.at("codec_name"), expect.codec);
    EXPECT_EQ(probe.at("width"), "320");
    EXPECT_EQ(probe.at("height"), "240");
    EXPECT_EQ(probe.at("nb_read_frames"), std::to_string(expect.frames));
    EXPECT_EQ(probe.at("keys"), std::to_string(expect.keys));
    EXPECT_EQ(probe.at("r_frame_rate"), expect.rate);
    EXPECT_EQ(DecodeErrors(output), "");

    EXPECT_EQ(ReadFile(recording), before) << "the recording is never modified";
    std::vector<std::string> expected = {std::filesystem::path(recording).filename().string(),
                                         "out.avi"};
    std::sort(expected.begin(), expected.end());
    if (std::filesystem::path(recording).parent_path() == m_dir) {
      EXPECT_EQ(Listing(), expected);
    }
  }

  std::string Write(const std::string& name, const std::vector<TqvFrame>& frames, int version = 2) {
    const std::string path = Path(name);
    EXPECT_TRUE(WriteTqvFile(path, version, frames));
    return path;
  }
};

TEST_F(Convert, SampleRecordingsOfEveryVersion) {
  for (const char* codec : {"h264", "h265"}) {
    for (int version = 1; version <= 3; ++version) {
      SCOPED_TRACE(std::string(codec) + " v" + std::to_string(version));
      const std::string name = std::string(codec) + "_v" + std::to_string(version);
      const std::string sample = std::string(RECMORPH_SAMPLE_DIR) + "/" + name + ".tqv";
      std::filesystem::copy_file(sample, Path(name + ".tqv"));
      Check(Path(name + ".tqv"), {codec == std::string("h264") ? "h264" : "hevc", 50, 2, "25/1"},
            name);
      std::filesystem::remove(Path(name + ".tqv"));
      std::filesystem::remove(Path("out.avi"));
    }
  }
}

TEST_F(Convert, Mpeg4Part2) {
  const Payloads frames = SplitMpeg4(Encode(kMpeg4, 50));
  ASSERT_EQ(frames.size(), 50u);
  Check(Write("m4v.tqv", Frames(frames)), {"mpeg4", 50, 2, "25/1"}, "m4v");
}

TEST_F(Convert, Mjpeg) {
  const Payloads frames = SplitMjpeg(Encode(kMjpeg, 20));
  ASSERT_EQ(frames.size(), 20u);
  Check(Write("mj.tqv", Frames(frames), 1), {"mjpeg", 20, 20, "25/1"}, "mj");
}

TEST_F(Convert, H264WithBFrames) {
  const Payloads frames = SplitH264(Encode(kH264BFrames, 50));
  ASSERT_EQ(frames.size(), 50u);
  Check(Write("bframes.tqv", Frames(frames), 3), {"h264", 50, 2, "25/1"}, "bframes");
}

TEST_F(Convert, UpperCaseExtensionAndSpaceInName) {
  Check(Write("Cam 01.TQV", Frames(H264())), {"h264", 50, 2, "25/1"}, "Cam 01");
}

TEST_F(Convert, RateFromStamps) {
  std::vector<TqvFrame> thirty = Frames(H264());
  for (std::size_t i = 0; i < thirty.size(); ++i) thirty[i].stamp = i * 1000 / 30;
  Check(Write("thirty.tqv", thirty), {"h264", 50, 2, "30/1"}, "thirty");
  std::filesystem::remove(Path("thirty.tqv"));
  std::filesystem::remove(Path("out.avi"));

  // 90 kHz stamps are not milliseconds: the rate falls back to 25.
  std::vector<TqvFrame> ninety = Frames(H264(), 3000);
  Check(Write("ninety.tqv", ninety), {"h264", 50, 2, "25/1"}, "ninety");
}

TEST_F(Convert, AudioAndJunkAreSkipped) {
  std::vector<TqvFrame> mixed;
  std::uint32_t seed = 12345;
  for (const TqvFrame& frame : Frames(H264())) {
    mixed.push_back(frame);
    // An AAC frame and a run of random bytes, stamped like the video, typed like it too.
    mixed.push_back({frame.type, frame.stamp, {0xFF, 0xF1, 0x50, 0x80, 0x02, 0x1F, 0xFC, 0x21}});
    std::vector<std::uint8_t> junk(200);
    for (auto& b : junk) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    mixed.push_back({frame.type, frame.stamp + 1, junk});
  }
  Check(Write("mixed.tqv", mixed), {"h264", 50, 2, "25/1", 100}, "mixed");
}

TEST_F(Convert, FramesBeforeTheFirstKeyFrameAreSkipped) {
  const Payloads all = H264();
  const Payloads late(all.begin() + 5, all.end());  // begins with 20 P-frames, then a key frame
  Check(Write("late.tqv", Frames(late)), {"h264", 25, 1, "25/1", 20}, "late");
}

TEST_F(Convert, LengthPrefixedH264IsConverted) {
  Payloads prefixed;
  for (const auto& unit : H264()) prefixed.push_back(ToLengthPrefixed(unit));
  Check(Write("avcc.tqv", Frames(prefixed)), {"h264", 50, 2, "25/1"}, "avcc");
}

TEST_F(Convert, ParameterSetsInARecordOfTheirOwn) {
  // Each key frame's SPS and PPS (everything before the IDR slice) become a record before it.
  std::vector<TqvFrame> frames;
  std::uint64_t stamp = 0;
  for (const auto& unit : H264()) {
    std::size_t idr = 0;
    for (std::size_t i = 0; i + 3 < unit.size(); ++i) {
      if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1 && (unit[i + 3] & 0x1F) == 5) {
        idr = i;
        break;
      }
    }
    if (idr > 0) {
      frames.push_back({1, stamp, {unit.begin(), unit.begin() + static_cast<std::ptrdiff_t>(idr)}});
      frames.push_back({1, stamp, {unit.begin() + static_cast<std::ptrdiff_t>(idr), unit.end()}});
    } else {
      frames.push_back({2, stamp, unit});
    }
    stamp += 40;
  }
  Check(Write("split.tqv", frames), {"h264", 50, 2, "25/1"}, "split");
}

TEST_F(Convert, DroppedFramesBecomeEmptyChunks) {
  // Two pictures missing: the AVI keeps its timeline with two empty chunks in their place.
  const Payloads all = SplitMjpeg(Encode(kMjpeg, 20));
  std::vector<TqvFrame> frames = Frames(all);
  frames.erase(frames.begin() + 8, frames.begin() + 10);
  const std::string recording = Write("drops.tqv", frames);
  const RunResult run = RunRemuxer(recording, Path("out.avi"));
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("18 frames written, 0 skipped, 2 dropped"), std::string::npos) << run.out;
  const auto probe = Probe(Path("out.avi"));
  EXPECT_EQ(probe.at("r_frame_rate"), "25/1");
  EXPECT_EQ(probe.at("keys"), "18");
  EXPECT_EQ(probe.at("packets"), "18");  // the demuxer passes over empty chunks
  EXPECT_EQ(probe.at("nb_frames"), "20");
  EXPECT_EQ(DecodeErrors(Path("out.avi")), "");
}

TEST_F(Convert, ReplacesAnEarlierOutput) {
  WriteFile(Path("out.avi"), "an earlier file");
  Check(Write("again.tqv", Frames(H264())), {"h264", 50, 2, "25/1"}, "again");
}

}  // namespace
}  // namespace remuxtest
