// clipremuxer_bench [--dir DIR] [--sizes MB,MB,...] [--runs N]
//
// Encodes a high-rate H.264 test pattern once with the installed ffmpeg, repeats its pictures up
// to each size (every repetition starts at an IDR picture with its parameter sets, so the result
// is one valid stream), and writes it both as a TQV recording (one picture per record, 40 ms
// stamps) and as the raw stream. Then, with both files read once so the page cache is warm, it
// times ClipRemuxer on the recording and `ffmpeg -f h264 -i STREAM -c copy OUT.avi` on the stream,
// the best of N runs each, and prints wall time, peak resident memory and the ratio. For outputs
// past 1 GiB it checks that the AVI went OpenDML (a RIFF AVIX part) and that ffprobe counts every
// frame.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/samplemaker/AccessUnits.h"
#include "tools/samplemaker/TqvWriter.h"

namespace {

struct Measure {
  int status = -1;
  double seconds = 0;
  long maxRssKiB = 0;
};

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs args with standard output and error on /dev/null (or into capture), measuring the child.
Measure RunChild(const std::vector<std::string>& args, std::string* capture = nullptr) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipeFd[2] = {-1, -1};
  if (capture != nullptr && ::pipe(pipeFd) != 0) return {};
  const double start = Now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(capture != nullptr ? pipeFd[1] : null, 1);
    ::dup2(null, 2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  if (capture != nullptr) {
    ::close(pipeFd[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFd[0], buffer, sizeof buffer)) > 0) capture->append(buffer, n);
    ::close(pipeFd[0]);
  }
  Measure m;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) == pid) {
    m.seconds = Now() - start;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    m.maxRssKiB = usage.ru_maxrss;
  }
  return m;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Warm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
  }
}

// Whether the AVI has a second RIFF part of form AVIX (OpenDML).
bool HasAvix(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::uint64_t offset = 0;
  int parts = 0;
  bool avix = false;
  while (true) {
    char head[12];
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(head, 12)) break;
    if (std::memcmp(head, "RIFF", 4) != 0) break;
    std::uint32_t size;
    std::memcpy(&size, head + 4, 4);
    if (std::memcmp(head + 8, "AVIX", 4) == 0) avix = true;
    ++parts;
    offset += 8 + size + (size & 1);
  }
  return avix && parts >= 2;
}

std::string ProbeFrames(const std::string& path) {
  std::string out;
  RunChild({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
            "stream=codec_name,nb_frames,r_frame_rate", "-of", "compact=p=0:nk=1", path},
           &out);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "bench-clipremuxer";
  std::vector<int> sizesMb = {200, 1100};
  int runs = 2;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    if (key == "--dir") {
      dir = argv[i + 1];
    } else if (key == "--runs") {
      runs = std::max(1, std::atoi(argv[i + 1]));
    } else if (key == "--sizes") {
      sizesMb.clear();
      std::stringstream list(argv[i + 1]);
      for (std::string item; std::getline(list, item, ',');) sizesMb.push_back(std::stoi(item));
    }
  }
  std::filesystem::create_directories(dir);

  // 20 seconds of 720p at about 16 Mbit/s: some 40 MB of pictures to repeat.
  const std::string base = dir + "/base.h264";
  if (!std::filesystem::exists(base)) {
    std::printf("encoding the base stream...\n");
    std::fflush(stdout);
    const Measure m = RunChild({"ffmpeg",
                                "-nostdin",
                                "-y",
                                "-f",
                                "lavfi",
                                "-i",
                                "testsrc2=size=1280x720:rate=25",
                                "-frames:v",
                                "500",
                                "-c:v",
                                "libx264",
                                "-preset",
                                "ultrafast",
                                "-g",
                                "50",
                                "-b:v",
                                "16M",
                                "-bsf:v",
                                "h264_mp4toannexb",
                                "-f",
                                "h264",
                                base});
    if (m.status != 0) {
      std::fprintf(stderr, "clipremuxer_bench: ffmpeg could not encode the base stream\n");
      return 1;
    }
  }
  // Build every file first and let go of the pictures before anything is measured: a forked child
  // starts with its parent's resident pages, and they would count in its peak.
  {
    const std::vector<std::uint8_t> stream = ReadAll(base);
    const std::vector<AccessUnit> units = SplitAccessUnits(stream, VideoCodec::kH264);
    if (units.empty() || !units.front().key) {
      std::fprintf(stderr,
                   "clipremuxer_bench: the base stream does not start with a key picture\n");
      return 1;
    }
    for (int mb : sizesMb) {
      const std::string stem = dir + "/h264_" + std::to_string(mb) + "mb";
      const std::string recording = stem + ".tqv", raw = stem + ".h264";
      if (std::filesystem::exists(recording) && std::filesystem::exists(raw)) continue;
      const std::uint64_t target = static_cast<std::uint64_t>(mb) << 20;
      CTqvWriter writer;
      std::ofstream rawOut(raw, std::ios::binary);
      if (!writer.Open(recording, 3)) return 1;
      std::uint64_t written = 0, frames = 0;
      while (written < target) {
        for (const AccessUnit& unit : units) {
          writer.WriteFrame(unit.key ? 1 : 2, frames * 40, unit.bytes.data(), unit.bytes.size());
          rawOut.write(reinterpret_cast<const char*>(unit.bytes.data()),
                       static_cast<std::streamsize>(unit.bytes.size()));
          written += unit.bytes.size();
          ++frames;
        }
      }
      if (!writer.Close() || !rawOut) return 1;
    }
  }

  for (int mb : sizesMb) {
    const std::string stem = dir + "/h264_" + std::to_string(mb) + "mb";
    const std::string recording = stem + ".tqv", raw = stem + ".h264";
    Warm(recording);
    Warm(raw);

    Measure best[2];
    for (int r = 0; r < runs; ++r) {
      const std::string outOurs = stem + "_remux.avi", outFfmpeg = stem + "_ffmpeg.avi";
      const Measure ours = RunChild({CLIPREMUXER_EXE, recording, outOurs});
      const Measure theirs = RunChild({"ffmpeg", "-nostdin", "-y", "-v", "error", "-f", "h264",
                                       "-i", raw, "-c", "copy", outFfmpeg});
      if (ours.status != 0 || theirs.status != 0) {
        std::fprintf(stderr, "clipremuxer_bench: a run failed (ClipRemuxer %d, ffmpeg %d)\n",
                     ours.status, theirs.status);
        return 1;
      }
      if (r == 0 || ours.seconds < best[0].seconds) best[0] = ours;
      if (r == 0 || theirs.seconds < best[1].seconds) best[1] = theirs;
    }
    const std::string outOurs = stem + "_remux.avi";
    const auto avi = std::filesystem::file_size(outOurs);
    std::printf("%s: recording %.1f MiB\n", stem.c_str(),
                static_cast<double>(std::filesystem::file_size(recording)) / (1 << 20));
    std::printf("  ClipRemuxer  %7.2f s  peak %6.1f MiB\n", best[0].seconds,
                static_cast<double>(best[0].maxRssKiB) / 1024);
    std::printf("  ffmpeg copy  %7.2f s  peak %6.1f MiB\n", best[1].seconds,
                static_cast<double>(best[1].maxRssKiB) / 1024);
    std::printf("  ratio        %7.2f (goal <= 0.70)\n", best[0].seconds / best[1].seconds);
    std::printf("  output %.1f MiB, ffprobe: %s\n", static_cast<double>(avi) / (1 << 20),
                ProbeFrames(outOurs).c_str());
    if (avi > (1ull << 30)) {
      std::printf("  OpenDML (RIFF AVIX): %s\n", HasAvix(outOurs) ? "yes" : "NO");
    }
    std::fflush(stdout);
  }
  return 0;
}
