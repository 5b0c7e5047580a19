// Bad input and failing output: each case ends with one error line (checked byte for byte), exit
// code 1, no AVI and no temporary file left, and an earlier AVI of the output's name untouched.
// Wrong argument counts get the usage line and exit code 2.
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/clipremuxer/RemuxFixtures.h"

namespace remuxtest {
namespace {

const std::vector<std::string> kH264 = {"-c:v",   "libx264",          "-g", "25",
                                        "-bsf:v", "h264_mp4toannexb", "-f", "h264"};

std::vector<TqvFrame> H264Frames() {
  return Frames(SplitH264(Encode(kH264, 50)));
}

std::string Head(int version) {
  std::string head(version == 1 ? 256 : 224, '\0');
  const std::string magic = "tqv v" + std::to_string(version) + ".0";
  head.replace(0, magic.size(), magic);
  return head;
}

std::string FrameHead(std::int32_t length, std::uint64_t stamp = 0) {
  std::string head(16, '\0');
  head[0] = 1;
  for (int i = 0; i < 8; ++i) head[4 + i] = static_cast<char>(stamp >> (8 * i));
  for (int i = 0; i < 4; ++i)
    head[12 + i] = static_cast<char>(static_cast<std::uint32_t>(length) >> (8 * i));
  return head;
}

// A version-2 recording whose bytes are the good H.264 recording's, changed by edit.
std::string EditedRecording(const std::function<void(std::string&)>& edit) {
  char path[] = "/tmp/rmremux_good_XXXXXX";
  const int fd = ::mkstemp(path);
  ::close(fd);
  WriteTqvFile(path, 2, H264Frames());
  std::string bytes = ReadFile(path);
  std::filesystem::remove(path);
  edit(bytes);
  return bytes;
}

struct Case {
  const char* name;
  const char* recording;  // file name in the test folder
  // Makes the recording (and whatever else) in the folder; output is the output path.
  std::function<void(const std::string& recording, const std::string& output)> make;
  const char* output;  // the output's file name, or a path beginning with '/'
  const char* line;    // the error line without its CR LF
  rlim_t fileSizeLimit = RLIM_INFINITY;
};

std::vector<Case> Cases() {
  auto bytes = [](std::string content) {
    return [content](const std::string& recording, const std::string&) {
      WriteFile(recording, content);
    };
  };
  auto frames = [](std::vector<TqvFrame> list) {
    return [list](const std::string& recording, const std::string&) {
      WriteTqvFile(recording, 2, list);
    };
  };
  auto good = [](const std::string& recording, const std::string&) {
    WriteTqvFile(recording, 2, H264Frames());
  };
  std::string random(4096, '\0');
  std::uint32_t seed = 99;
  for (char& c : random) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);

  return {
      {"missing recording", "missing.tqv", [](const std::string&, const std::string&) {}, "out.avi",
       "@@[cv]-录像文件不存在: missing.tqv"},
      {"recording is a folder", "dir.tqv",
       [](const std::string& recording, const std::string&) {
         std::filesystem::create_directory(recording);
       },
       "out.avi", "@@[cv]-录像路径不是文件: dir.tqv"},
      {"empty file", "empty.tqv", bytes(""), "out.avi", "@@[cv]-无法打开录像文件: empty.tqv"},
      {"short magic", "short.tqv", bytes("tqv v1.0"), "out.avi",
       "@@[cv]-无法打开录像文件: short.tqv"},
      {"unknown magic", "magic.tqv", bytes("TQV V2.0" + std::string(300, '\0')), "out.avi",
       "@@[cv]-无法打开录像文件: magic.tqv"},
      {"short head", "head.tqv", bytes(Head(2).substr(0, 100)), "out.avi",
       "@@[cv]-无法打开录像文件: head.tqv"},
      {"random bytes", "random.tqv", bytes(random), "out.avi",
       "@@[cv]-无法打开录像文件: random.tqv"},
      {"head only", "headonly.tqv", bytes(Head(2)), "out.avi",
       "@@[cv]-录像中没有找到视频流: headonly.tqv"},
      {"random bytes after a head", "noise.tqv", bytes(Head(3) + random), "out.avi",
       "@@[cv]-录像文件已损坏(记录不完整或长度错误): noise.tqv"},
      {"audio only", "audio.tqv",
       frames({{1, 0, {0xFF, 0xF1, 0x50, 0x80, 0x02, 0x1F, 0xFC}},
               {1, 40, {0xFF, 0xF1, 0x50, 0x80, 0x02, 0x1F, 0xFC}}}),
       "out.avi", "@@[cv]-录像中没有找到视频流: audio.tqv"},
      {"unsupported codec", "mpeg2.tqv",
       [](const std::string& recording, const std::string&) {
         const auto& stream = Encode({"-c:v", "mpeg2video", "-f", "mpeg2video"}, 10);
         WriteTqvFile(recording, 2, {{1, 0, stream}, {1, 40, stream}});
       },
       "out.avi", "@@[cv]-不支持录像的视频编码: mpeg2.tqv"},
      {"no key frame", "pframes.tqv",
       [](const std::string& recording, const std::string&) {
         std::vector<TqvFrame> list = H264Frames();
         list.erase(list.begin() + 25);  // the second key frame
         list.erase(list.begin());       // the first
         WriteTqvFile(recording, 2, list);
       },
       "out.avi", "@@[cv]-录像中没有可作起点的关键帧: pframes.tqv"},
      {"last record cut short", "cut.tqv",
       bytes(EditedRecording([](std::string& b) { b.resize(b.size() - 100); })), "out.avi",
       "@@[cv]-录像文件已损坏(记录不完整或长度错误): cut.tqv"},
      {"zero-length record mid-file", "zero.tqv",
       bytes(EditedRecording([](std::string& b) { b.insert(224, FrameHead(0)); })), "out.avi",
       "@@[cv]-录像文件已损坏(记录不完整或长度错误): zero.tqv"},
      {"impossible length", "huge.tqv",
       bytes(EditedRecording([](std::string& b) { b.insert(224, FrameHead(0x7FFFFFF0)); })),
       "out.avi", "@@[cv]-录像文件已损坏(记录不完整或长度错误): huge.tqv"},
      {"negative length", "negative.tqv",
       bytes(EditedRecording([](std::string& b) { b.insert(224, FrameHead(-5)); })), "out.avi",
       "@@[cv]-录像文件已损坏(记录不完整或长度错误): negative.tqv"},
      {"output folder missing", "good.tqv", good, "nowhere/out.avi",
       "@@[cv]-无法创建输出文件(文件夹不存在): out.avi"},
      {"output is a folder", "good.tqv",
       [](const std::string& recording, const std::string& output) {
         WriteTqvFile(recording, 2, H264Frames());
         std::filesystem::create_directory(output);
       },
       "out.avi", "@@[cv]-输出路径是一个文件夹: out.avi"},
      {"output is the recording", "good.tqv", good, "good.tqv",
       "@@[cv]-输出文件不能是录像文件本身: good.tqv"},
      {"disk full", "good.tqv", good, "out.avi",
       "@@[cv]-写入输出文件失败(超出文件大小限制): out.avi", 20000},
  };
}

class BadInput : public RemuxTest {};

TEST_F(BadInput, ClearErrorAndNothingLeftBehind) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const std::string recording = Path(c.recording);
    const std::string output = c.output[0] == '/' ? c.output : Path(c.output);
    c.make(recording, output);
    // An earlier AVI of the output's name must survive a failed run.
    const bool earlier = !std::filesystem::exists(output) &&
                         std::filesystem::exists(std::filesystem::path(output).parent_path());
    if (earlier) WriteFile(output, "an earlier file");
    const std::vector<std::string> before = Listing();
    const std::string recordingBytes =
        std::filesystem::is_regular_file(recording) ? ReadFile(recording) : "";

    const RunResult run = RunRemuxer(recording, output, c.fileSizeLimit);
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    const std::vector<std::string> lines = ProtocolLines(run.out);
    ASSERT_FALSE(lines.empty()) << run.out;
    EXPECT_EQ(lines.back(), std::string(c.line) + "\r\n");
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      EXPECT_EQ(lines[i].find("Progress:100"), std::string::npos);
      EXPECT_EQ(lines[i].rfind("@@[cv]+", 0), 0u) << "only progress before the error";
    }
    EXPECT_EQ(Listing(), before) << "no partial or temporary file";
    if (earlier) {
      EXPECT_EQ(ReadFile(output), "an earlier file");
    }
    if (!recordingBytes.empty()) {
      EXPECT_EQ(ReadFile(recording), recordingBytes);
    }
  }
}

TEST_F(BadInput, UnwritableOutputFolder) {
  // Root writes anywhere but in /proc; everyone else is kept out of a folder without write access.
  std::string output = "/proc/out.avi";
  if (::geteuid() != 0) {
    std::filesystem::create_directory(Path("locked"));
    std::filesystem::permissions(
        Path("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    output = Path("locked/out.avi");
  }
  WriteTqvFile(Path("good.tqv"), 2, H264Frames());
  const RunResult run = RunRemuxer(Path("good.tqv"), output);
  EXPECT_EQ(run.exitCode, 1);
  const std::vector<std::string> lines = ProtocolLines(run.out);
  ASSERT_EQ(lines.size(), 1u) << run.out;
  EXPECT_EQ(lines[0].rfind("@@[cv]-无法创建输出文件", 0), 0u) << lines[0];
  EXPECT_EQ(lines[0].substr(lines[0].size() - 11), ": out.avi\r\n");
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST(Usage, WrongArgumentCounts) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{CLIPREMUXER_EXE},
                                               {CLIPREMUXER_EXE, "a.tqv"},
                                               {CLIPREMUXER_EXE, "a.tqv", "b.avi", "c"}}) {
    const RunResult run = remuxtest::Run(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "usage: ClipRemuxer RECORDING OUTPUT\n");
  }
}

}  // namespace
}  // namespace remuxtest
