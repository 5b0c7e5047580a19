// tqvsample OUTDIR [--ffmpeg PROGRAM]
//
// Makes the sample recordings h264_v1.tqv, h264_v2.tqv, h264_v3.tqv, h265_v1.tqv, h265_v2.tqv and
// h265_v3.tqv in OUTDIR (created if missing). Each is a two-second test pattern, 320x240 at 25
// frames per second, encoded by the installed ffmpeg (libx264 or libx265, no B-frames, a key
// picture every 25 frames), one access unit per frame record, stamps in milliseconds (0, 40, 80,
// ...). Frame type codes: H.265 32 (key picture, with its parameter sets) and 33 (other pictures);
// H.264 1 (IDR picture, with its parameter sets) and 2 (other pictures). A file that is already
// there is left alone. Each file appears whole or not at all (written beside, then renamed).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/samplemaker/AccessUnits.h"
#include "tools/samplemaker/TqvWriter.h"

extern char** environ;

namespace {

constexpr int kFrames = 50;
constexpr int kStampStepMs = 40;

struct Codec {
  VideoCodec codec;
  const char* prefix;  // file names: prefix + "_v" + version + ".tqv"
  std::int32_t keyType;
  std::int32_t otherType;
  std::vector<std::string> encoderArgs;
};

// Runs program with args, stdin on /dev/null; answers its exit status, or -1.
int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    std::fprintf(stderr, "tqvsample: cannot start %s: %s\n", argv[0], std::strerror(rc));
    return -1;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Encodes the test pattern into a raw stream file and answers its bytes (empty on failure).
std::vector<std::uint8_t> Encode(const std::string& ffmpeg, const Codec& codec,
                                 const std::filesystem::path& dir) {
  const std::string raw =
      (dir / (std::string(".") + codec.prefix + ".raw." + std::to_string(getpid()))).string();
  std::vector<std::string> args = {ffmpeg,         "-nostdin",
                                   "-hide_banner", "-loglevel",
                                   "error",        "-y",
                                   "-f",           "lavfi",
                                   "-i",           "testsrc2=size=320x240:rate=25",
                                   "-frames:v",    std::to_string(kFrames),
                                   "-pix_fmt",     "yuv420p"};
  args.insert(args.end(), codec.encoderArgs.begin(), codec.encoderArgs.end());
  args.push_back(raw);
  std::vector<std::uint8_t> bytes;
  if (Run(args) == 0) {
    std::ifstream in(raw, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    std::fprintf(stderr, "tqvsample: %s failed to encode the %s pattern\n", ffmpeg.c_str(),
                 codec.prefix);
  }
  std::error_code ignored;
  std::filesystem::remove(raw, ignored);
  return bytes;
}

bool MakeCodec(const std::string& ffmpeg, const Codec& codec, const std::filesystem::path& dir) {
  std::vector<int> missing;
  for (int version = 1; version <= 3; ++version) {
    const auto name = dir / (std::string(codec.prefix) + "_v" + std::to_string(version) + ".tqv");
    if (!std::filesystem::exists(name)) missing.push_back(version);
  }
  if (missing.empty()) return true;

  const std::vector<std::uint8_t> stream = Encode(ffmpeg, codec, dir);
  const std::vector<AccessUnit> units = SplitAccessUnits(stream, codec.codec);
  if (units.empty()) {
    std::fprintf(stderr, "tqvsample: no %s pictures came out of the encoder\n", codec.prefix);
    return false;
  }
  std::vector<TqvFrame> frames;
  for (std::size_t i = 0; i < units.size(); ++i) {
    frames.push_back({units[i].key ? codec.keyType : codec.otherType,
                      static_cast<std::uint64_t>(i) * kStampStepMs, units[i].bytes});
  }
  for (int version : missing) {
    const std::string stem = std::string(codec.prefix) + "_v" + std::to_string(version) + ".tqv";
    const auto name = dir / stem;
    const auto partial = dir / (stem + ".part");
    if (!WriteTqvFile(partial.string(), version, frames)) {
      std::fprintf(stderr, "tqvsample: cannot write %s\n", partial.c_str());
      return false;
    }
    std::filesystem::rename(partial, name);
    std::printf("tqvsample: made %s (%zu frames)\n", name.c_str(), frames.size());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string ffmpeg = "ffmpeg";
  std::string out;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ffmpeg") == 0 && i + 1 < argc) {
      ffmpeg = argv[++i];
    } else if (out.empty() && argv[i][0] != '-') {
      out = argv[i];
    } else {
      out.clear();
      break;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: tqvsample OUTDIR [--ffmpeg PROGRAM]\n");
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(out, error);
  if (error) {
    std::fprintf(stderr, "tqvsample: cannot create %s: %s\n", out.c_str(), error.message().c_str());
    return 1;
  }
  const Codec codecs[] = {
      {VideoCodec::kH264,
       "h264",
       1,
       2,
       {"-c:v", "libx264", "-preset", "veryfast", "-bf", "0", "-g", "25", "-f", "h264"}},
      {VideoCodec::kH265,
       "h265",
       32,
       33,
       {"-c:v", "libx265", "-preset", "veryfast", "-x265-params",
        "log-level=error:bframes=0:keyint=25", "-f", "hevc"}},
  };
  bool ok = true;
  for (const Codec& codec : codecs) ok = MakeCodec(ffmpeg, codec, out) && ok;
  return ok ? 0 : 1;
}
