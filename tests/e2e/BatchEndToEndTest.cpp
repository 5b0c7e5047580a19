// `recmorph --batch` as a user runs it: a child process without a display, its standard output,
// its exit status and the files it leaves.
//
// StandIn tests copy the program into a folder of their own, beside stand-in converters written
// as shell scripts that speak the converter protocol; the recordings' contents tell the stand-in
// ClipRemuxer what to do ("ok", "fail", "hang"). RealConverters runs the built program with the
// real ffmpeg and ClipRemuxer on the sample recordings.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out;
  std::vector<std::string> lines;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command line with no display, and collects its standard output.
Result RunShell(const std::string& command) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(name);
  Result r;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream in(r.out);
  for (std::string l; std::getline(in, l);) r.lines.push_back(l);
  return r;
}

bool Contains(const Result& r, const std::string& text) {
  return r.out.find(text) != std::string::npos;
}

// The log line whose message (after the 24-character timestamp) is text; its index or -1.
int LogIndex(const Result& r, const std::string& text) {
  for (std::size_t i = 0; i < r.lines.size(); ++i) {
    if (r.lines[i].size() > 24 && r.lines[i].compare(24, std::string::npos, text) == 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void WriteFile(const fs::path& path, const std::string& text, bool executable = false) {
  std::ofstream(path, std::ios::binary) << text;
  if (executable) fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
}

// The stand-in companion converter: "$1" is the recording, "$2" the AVI to write.
constexpr const char* kStandInClipRemuxer = R"SH(#!/bin/sh
name=$(basename "$1"); name=${name%.tqv}
what=$(cat "$1" 2>/dev/null)
case "$what" in
  ok)
    printf '@@[cv]+%s>##<frames 10 Progress:50\r\n' "$name"
    printf 'a line the tool ignores\r\n'
    printf '@@[cv]+%s>##<frames 20 Progress:100\r\n' "$name"
    printf 'RIFF' > "$2"
    exit 0 ;;
  hang)
    echo $$ > "$(dirname "$1")/hang.pid"
    exec sleep 1000 ;;
  *)
    printf '@@[cv]-cannot read %s\r\n' "$name"
    exit 1 ;;
esac
)SH";

class StandIn : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/recmorph-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    fs::create_directories(dir / "tools");
    fs::create_directories(dir / "rec");
    fs::copy_file(RECMORPH_EXE, dir / "tools" / "recmorph");
    WriteFile(dir / "tools" / "ClipRemuxer", kStandInClipRemuxer, true);
    // H.265 recordings go to ffmpeg: the stand-in writes the AVI from the side file's presence.
    WriteFile(dir / "tools" / "ffmpeg", "#!/bin/sh\n[ -f \"$3\" ] && printf RIFF > \"$4\"\n", true);
  }
  void TearDown() override { fs::remove_all(dir); }

  Result Batch(const std::string& arguments, const std::string& cwd = "") {
    const std::string cd = cwd.empty() ? "" : "cd " + Quote(cwd) + " && ";
    return RunShell(cd + Quote((dir / "tools" / "recmorph").string()) + " --batch " + arguments +
                    " 2>" + Quote((dir / "stderr.txt").string()));
  }
  std::string Rec(const std::string& name) { return Quote((dir / "rec" / name).string()); }
  std::string Stderr() {
    std::ifstream in(dir / "stderr.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir;
};

}  // namespace

TEST_F(StandIn, ConvertsEveryFileAndPrintsTheLogThenTheRows) {
  WriteFile(dir / "rec" / "cam01.tqv", "ok");
  WriteFile(dir / "rec" / "录像 2.tqv", "ok");
  const Result r = Batch(Rec("cam01.tqv") + " " + Rec("录像 2.tqv"));
  EXPECT_EQ(r.status, 0) << r.out;
  const int start = LogIndex(r, "转码服务启动...");
  const int begin = LogIndex(r, "转码任务[cam01.tqv]开始...");
  const int end = LogIndex(r, "转码任务[cam01.tqv]结束.");
  const int stop = LogIndex(r, "转码服务结束...");
  EXPECT_GE(start, 0) << r.out;
  EXPECT_LT(start, begin);
  EXPECT_LT(begin, end);
  EXPECT_LT(end, stop);
  EXPECT_GE(LogIndex(r, "转码任务[录像 2.tqv]结束."), 0) << r.out;
  ASSERT_GE(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[r.lines.size() - 2], "cam01.tqv\t√");
  EXPECT_EQ(r.lines.back(), "录像 2.tqv\t√");
  for (const std::string& line : r.lines) EXPECT_EQ(line.find('\r'), std::string::npos) << line;
  EXPECT_TRUE(fs::exists(dir / "rec" / "cam01.avi"));
  EXPECT_TRUE(fs::exists(dir / "rec" / "录像 2.avi"));
}

TEST_F(StandIn, AFailedConversionIsLoggedAndGivesExitStatusOne) {
  WriteFile(dir / "rec" / "good.tqv", "ok");
  WriteFile(dir / "rec" / "bad.tqv", "fail");
  const Result r = Batch(Rec("good.tqv") + " " + Rec("bad.tqv"));
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(Contains(r, "错误信息:cannot read bad\n")) << r.out;
  ASSERT_GE(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[r.lines.size() - 2], "good.tqv\t√");
  EXPECT_NE(r.lines.back(), "bad.tqv\t√");
  EXPECT_EQ(r.lines.back().rfind("bad.tqv\t", 0), 0u);
}

TEST_F(StandIn, AMissingConverterLeavesTheRowUnconverted) {
  WriteFile(dir / "rec" / "a.tqv", "ok");
  fs::remove(dir / "tools" / "ClipRemuxer");
  const Result r = Batch(Rec("a.tqv"));
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_GE(LogIndex(r, "转码任务[a.tqv]结束."), 0) << r.out;
  EXPECT_EQ(r.lines.back(), "a.tqv\t×");
}

TEST_F(StandIn, RelativePathsAreMadeAbsoluteAndSameNamesListedOnce) {
  fs::create_directories(dir / "rec" / "sub");
  WriteFile(dir / "rec" / "a.tqv", "ok");
  WriteFile(dir / "rec" / "sub" / "A.TQV", "fail");
  const Result r = Batch("./a.tqv sub/A.TQV", (dir / "rec").string());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.lines.back(), "a.tqv\t√");
  EXPECT_FALSE(Contains(r, "A.TQV\t"));
  EXPECT_NE(Stderr().find("sub/A.TQV"), std::string::npos) << Stderr();
  EXPECT_TRUE(Contains(r, "Run: ")) << "the engine's traces go to standard output";
  EXPECT_TRUE(Contains(r, (dir / "rec" / "a.tqv").string())) << r.out;
  EXPECT_TRUE(fs::exists(dir / "rec" / "a.avi"));
}

TEST_F(StandIn, ASecondRunSkipsNothingButTheSameNamesOnce) {
  // A row that is not "√" is converted again; each run starts from a fresh list.
  WriteFile(dir / "rec" / "a.tqv", "ok");
  EXPECT_EQ(Batch(Rec("a.tqv")).status, 0);
  EXPECT_EQ(Batch(Rec("a.tqv") + " " + Rec("a.tqv")).status, 0);
}

TEST_F(StandIn, SigtermEndsTheRunningConverterAndLeavesNothingRunning) {
  WriteFile(dir / "rec" / "slow.tqv", "hang");
  WriteFile(dir / "rec" / "next.tqv", "ok");
  const std::string pidFile = (dir / "rec" / "hang.pid").string();
  // Start the batch, wait until the converter has started, then ask the batch to stop.
  const Result r =
      RunShell("sh -c " + Quote(Quote((dir / "tools" / "recmorph").string()) + " --batch " +
                                Rec("slow.tqv") + " " + Rec("next.tqv") + " 2>/dev/null & p=$!; " +
                                "until [ -s " + Quote(pidFile) + " ]; do sleep 0.01; done; " +
                                "kill -TERM $p; wait $p; echo exit=$?"));
  EXPECT_TRUE(Contains(r, "exit=1")) << r.out;
  EXPECT_TRUE(Contains(r, "slow.tqv\t")) << r.out;
  EXPECT_FALSE(Contains(r, "转码任务[next.tqv]开始...")) << r.out;
  std::ifstream in(pidFile);
  int pid = 0;
  in >> pid;
  ASSERT_GT(pid, 0);
  EXPECT_NE(kill(pid, 0), 0) << "the stand-in converter is still running";
}

TEST(RealConverters, ConvertsEverySampleAndEveryAviIsReadable) {
  if (!RECMORPH_HAVE_CLIPREMUXER) GTEST_SKIP() << "ClipRemuxer is not part of this build";
  char pattern[] = "/tmp/recmorph-real-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path dir = pattern;
  std::string arguments;
  std::vector<std::string> stems;
  for (const char* codec : {"h264", "h265"}) {
    for (int version = 1; version <= 3; ++version) {
      const std::string stem = std::string(codec) + "_v" + std::to_string(version);
      fs::copy_file(fs::path(RECMORPH_SAMPLE_DIR) / (stem + ".tqv"), dir / (stem + ".tqv"));
      arguments += ' ';
      arguments += Quote((dir / (stem + ".tqv")).string());
      stems.push_back(stem);
    }
  }
  const Result r = RunShell(Quote(RECMORPH_EXE) + " --batch" + arguments + " 2>&1");
  EXPECT_EQ(r.status, 0) << r.out;
  for (const std::string& stem : stems) {
    EXPECT_TRUE(Contains(r, stem + ".tqv\t√\n")) << stem << "\n" << r.out;
    const fs::path avi = dir / (stem + ".avi");
    ASSERT_TRUE(fs::exists(avi)) << avi;
    const Result probe = RunShell(
        "ffprobe -v error -show_entries format=format_name:stream=codec_type "
        "-of default=noprint_wrappers=1 " +
        Quote(avi.string()));
    EXPECT_EQ(probe.status, 0) << probe.out;
    EXPECT_TRUE(Contains(probe, "format_name=avi")) << stem << ": " << probe.out;
    EXPECT_TRUE(Contains(probe, "codec_type=video")) << stem << ": " << probe.out;
  }
  // The side files of the H.265 samples are gone after their conversion.
  EXPECT_FALSE(fs::exists(dir / "h265_v1.tqv.h265"));
  fs::remove_all(dir);
}
