#include "tests/clipremuxer/RemuxFixtures.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/samplemaker/AccessUnits.h"

namespace remuxtest {
namespace {

std::vector<std::vector<std::uint8_t>> UnitsOf(const std::vector<std::uint8_t>& stream,
                                               VideoCodec codec) {
  std::vector<std::vector<std::uint8_t>> out;
  for (AccessUnit& unit : SplitAccessUnits(stream, codec)) out.push_back(std::move(unit.bytes));
  return out;
}

std::vector<std::size_t> Find(const std::vector<std::uint8_t>& data,
                              std::initializer_list<std::uint8_t> pattern) {
  std::vector<std::size_t> hits;
  auto it = data.begin();
  while ((it = std::search(it, data.end(), pattern.begin(), pattern.end())) != data.end()) {
    hits.push_back(static_cast<std::size_t>(it - data.begin()));
    ++it;
  }
  return hits;
}

std::vector<std::vector<std::uint8_t>> Cut(const std::vector<std::uint8_t>& data,
                                           const std::vector<std::size_t>& starts) {
  std::vector<std::vector<std::uint8_t>> out;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : data.size();
    out.emplace_back(data.begin() + static_cast<std::ptrdiff_t>(starts[i]),
                     data.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return out;
}

}  // namespace

RunResult Run(const std::vector<std::string>& args, rlim_t fileSizeLimit) {
  RunResult result;
  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return result;
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, 0);
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    if (fileSizeLimit != RLIM_INFINITY) {
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return result;
}

RunResult RunRemuxer(const std::string& recording, const std::string& output,
                     rlim_t fileSizeLimit) {
  return Run({CLIPREMUXER_EXE, recording, output}, fileSizeLimit);
}

std::vector<std::string> ProtocolLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(pos, end - pos);
    if (line.rfind("@@[cv]", 0) == 0) lines.push_back(line);
    pos = end;
  }
  return lines;
}

std::map<std::string, std::string> Probe(const std::string& file) {
  std::map<std::string, std::string> values;
  const RunResult stream =
      Run({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
           "stream=codec_name,width,height,r_frame_rate,nb_read_frames,nb_frames", "-of",
           "default=noprint_wrappers=1", file});
  std::istringstream lines(stream.out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  const RunResult packets = Run({"ffprobe", "-v", "error", "-select_streams", "v:0",
                                 "-show_entries", "packet=flags", "-of", "csv=p=0", file});
  int keys = 0, all = 0;
  std::istringstream flags(packets.out);
  for (std::string line; std::getline(flags, line);) {
    ++all;
    if (line.find('K') != std::string::npos) ++keys;
  }
  values["keys"] = std::to_string(keys);
  values["packets"] = std::to_string(all);
  return values;
}

std::string DecodeErrors(const std::string& file) {
  const RunResult run = Run({"ffmpeg", "-nostdin", "-v", "error", "-i", file, "-f", "null", "-"});
  return run.out + run.err + (run.exitCode == 0 ? "" : "exit " + std::to_string(run.exitCode));
}

const std::vector<std::uint8_t>& Encode(const std::vector<std::string>& codecArgs, int frames) {
  static std::map<std::string, std::vector<std::uint8_t>> cache;
  std::string key = std::to_string(frames);
  for (const std::string& a : codecArgs) key += " " + a;
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;

  char dir[] = "/tmp/rmremux_enc_XXXXXX";
  std::vector<std::uint8_t> bytes;
  if (::mkdtemp(dir) != nullptr) {
    const std::string raw = std::string(dir) + "/stream";
    std::vector<std::string> args = {"ffmpeg",    "-nostdin",
                                     "-v",        "error",
                                     "-f",        "lavfi",
                                     "-i",        "testsrc2=size=320x240:rate=25",
                                     "-frames:v", std::to_string(frames),
                                     "-pix_fmt",  "yuv420p"};
    if (std::find(codecArgs.begin(), codecArgs.end(), "mjpeg") != codecArgs.end()) {
      args.back() = "yuvj420p";
    }
    args.insert(args.end(), codecArgs.begin(), codecArgs.end());
    args.push_back(raw);
    if (Run(args).exitCode == 0) {
      const std::string text = ReadFile(raw);
      bytes.assign(text.begin(), text.end());
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  return cache.emplace(key, std::move(bytes)).first->second;
}

std::vector<std::vector<std::uint8_t>> SplitH264(const std::vector<std::uint8_t>& stream) {
  return UnitsOf(stream, VideoCodec::kH264);
}

std::vector<std::vector<std::uint8_t>> SplitHevc(const std::vector<std::uint8_t>& stream) {
  return UnitsOf(stream, VideoCodec::kH265);
}

std::vector<std::vector<std::uint8_t>> SplitMpeg4(const std::vector<std::uint8_t>& stream) {
  // A picture begins at the first header (VOS, GOV, ...) before its VOP, or at the VOP itself.
  std::vector<std::size_t> starts;
  std::size_t from = 0;
  for (std::size_t vop : Find(stream, {0, 0, 1, 0xB6})) {
    std::size_t start = vop;
    for (std::size_t i = from; i + 3 < vop; ++i) {
      if (stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1 &&
          (stream[i + 3] <= 0x2F || stream[i + 3] == 0xB0 || stream[i + 3] == 0xB3 ||
           stream[i + 3] == 0xB5 || stream[i + 3] == 0xB2)) {
        start = i;
        break;
      }
    }
    starts.push_back(starts.empty() ? 0 : start);
    from = vop + 4;
  }
  return Cut(stream, starts);
}

std::vector<std::vector<std::uint8_t>> SplitMjpeg(const std::vector<std::uint8_t>& stream) {
  return Cut(stream, Find(stream, {0xFF, 0xD8, 0xFF}));
}

std::vector<TqvFrame> Frames(const std::vector<std::vector<std::uint8_t>>& payloads,
                             std::uint64_t stepMs, std::int32_t type) {
  std::vector<TqvFrame> frames;
  for (std::size_t i = 0; i < payloads.size(); ++i) {
    frames.push_back({type, i * stepMs, payloads[i]});
  }
  return frames;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

void RemuxTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "rmremux_XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  m_dir = pattern;
}

void RemuxTest::TearDown() {
  std::error_code ignored;
  std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(m_dir, ignored);
}

std::vector<std::string> RemuxTest::Listing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(m_dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace remuxtest
