// probe_bench [--dir DIR] [--mib N] [--runs N]
//
// Times the codec probe (CRecMorphDlg::IsTqvH265) on a recording of N MiB (default 1024) with
// frames of 5 to 200 KB, against `dd if=RECORDING of=COPY bs=1M` on the same file in the same
// folder: a plain read-and-write pass. The two alternate, each run in a child process, after one
// untimed run of each to warm the page cache. Prints every run, the medians and their ratio, and
// the probe's peak resident memory beside the largest payload. DIR defaults to /dev/shm (a tmpfs
// steadies the figures). Everything made is removed at the end.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "kernel/text_conv.h"
#include "recording/ProbeTarget.h"
#include "tools/samplemaker/TqvWriter.h"

extern char** environ;

namespace {

struct RunResult {
  double seconds = 0;
  long maxRssKiB = 0;
  int status = -1;
};

// Runs args with standard output on /dev/null; times it and takes its peak memory.
RunResult Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  RunResult result;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
      result.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      result.maxRssKiB = usage.ru_maxrss;
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return result;
}

// Writes the recording; answers the largest payload, or 0 on failure.
std::size_t MakeRecording(const std::string& path, std::uint64_t bytes) {
  std::vector<std::uint8_t> pool(400 * 1024);
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (auto& b : pool) b = static_cast<std::uint8_t>(next() >> 24);
  CTqvWriter writer;
  if (!writer.Open(path, 2)) return 0;
  std::uint64_t written = 224;
  std::size_t largest = 0;
  for (std::uint64_t n = 0; written < bytes; ++n) {
    std::size_t size = 5 * 1024 + next() % (195 * 1024 + 1);
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes - written));
    size = std::max<std::size_t>(size, 1);
    const std::size_t offset = next() % (pool.size() - size);
    if (!writer.WriteFrame(n % 50 == 0 ? 32 : 33, n * 40, pool.data() + offset, size)) return 0;
    written += 16 + size;
    largest = std::max(largest, size);
  }
  return writer.Close() ? largest : 0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--probe") == 0) {
    CProbeTarget target;
    return CProbeTarget::IsTqvH265(&target, kernel::NarrowToWide(argv[2])) ? 0 : 3;
  }
  std::string dir = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::uint64_t mib = 1024;
  int runs = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
    if (std::strcmp(argv[i], "--mib") == 0) mib = std::strtoull(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
  }
  std::string work = dir + "/probe_bench_XXXXXX";
  if (mkdtemp(work.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string recording = work + "/bench.tqv";
  const std::string copy = work + "/bench.copy";
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();

  std::printf("making a recording of %llu MiB in %s\n", static_cast<unsigned long long>(mib),
              work.c_str());
  const std::size_t largest = MakeRecording(recording, mib << 20);
  int rc = 0;
  if (largest == 0) {
    std::fprintf(stderr, "cannot write %s\n", recording.c_str());
    rc = 1;
  } else {
    const std::vector<std::string> probe = {self, "--probe", recording};
    const std::vector<std::string> dd = {"dd", "if=" + recording, "of=" + copy, "bs=1M",
                                         "status=none"};
    auto clean = [&] {
      std::filesystem::remove(copy);
      std::filesystem::remove(recording + ".h265");
    };
    clean();
    Run(dd);  // warm the cache
    clean();
    Run(probe);
    std::vector<double> ddTimes, probeTimes;
    long peak = 0;
    for (int i = 0; i < runs && rc == 0; ++i) {
      clean();
      const RunResult d = Run(dd);
      clean();
      const RunResult p = Run(probe);
      if (d.status != 0 || p.status != 0) {
        std::fprintf(stderr, "a run failed (dd %d, probe %d)\n", d.status, p.status);
        rc = 1;
      }
      ddTimes.push_back(d.seconds);
      probeTimes.push_back(p.seconds);
      peak = std::max(peak, p.maxRssKiB);
      std::printf("run %d: dd %.3f s, probe %.3f s (peak %ld KiB)\n", i + 1, d.seconds, p.seconds,
                  p.maxRssKiB);
    }
    if (rc == 0) {
      const double ddMedian = Median(ddTimes), probeMedian = Median(probeTimes);
      std::printf("median: dd %.3f s, probe %.3f s, ratio probe/dd %.2f (goal <= 1.50)\n", ddMedian,
                  probeMedian, probeMedian / ddMedian);
      std::printf("probe peak memory: %ld KiB; largest payload %zu KiB; budget %zu KiB\n", peak,
                  largest / 1024, largest / 1024 + 16 * 1024);
    }
    clean();
  }
  std::filesystem::remove_all(work);
  return rc;
}
