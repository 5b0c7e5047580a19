#include "recording/CodecProbe.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernel/text_conv.h"
#include "recording/ProbeTarget.h"
#include "recording/TQVFileReader.h"
#include "tests/recording/TempDir.h"
#include "tools/samplemaker/TqvWriter.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

std::wstring Wide(const std::string& s) {
  return kernel::NarrowToWide(s);
}

std::string OpenTrace(const std::string& narrow) {
  return "[CRecMorphDlg::IsTqvH265:529]: Open " + narrow + "\n\n";
}
const std::string kSuffixTrace = "[CRecMorphDlg::IsTqvH265:535]: Error filename suffix.\n\n";

std::vector<std::uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

class ProbeTest : public TempDirTest {
 protected:
  // Runs the probe with standard output and error captured.
  bool Probe(const std::wstring& path) {
    CaptureStdout();
    CaptureStderr();
    const bool verdict = CProbeTarget::IsTqvH265(&m_dialog, path);
    m_stderr = GetCapturedStderr();
    m_stdout = GetCapturedStdout();
    return verdict;
  }
  bool Probe(const std::string& path) { return Probe(Wide(path)); }

  CProbeTarget m_dialog;
  std::string m_stdout, m_stderr;
};

TEST_F(ProbeTest, NameRules) {
  // None of these exists: the probe sets the name, then fails to open.
  struct Case {
    std::wstring path;
    std::wstring baseName;
  };
  const Case cases[] = {
      {L"D:\\rec\\cam.01.tqv", L"cam.01"},
      {L"D:\\rec.old\\cam", L"cam"},
      {L"D:/rec/cam.tqv", L"cam"},
      {L"D:\\rec/cam.tqv", L"rec/cam"},
      {L"D:\\rec\\.tqv", L""},
      {L"/no/such/folder/a.b/c", L"c"},
      {L"/no/such/folder/cam.an_extension_far_longer_than_nineteen_bytes", L"cam"},
      {L"/no/such/folder/摄像机.tqv", L"摄像机"},
  };
  for (const Case& c : cases) {
    const std::string narrow = *kernel::WideToNarrow(c.path);
    SCOPED_TRACE(narrow);
    m_dialog.SetCurrentName(L"before");
    EXPECT_FALSE(Probe(c.path));
    EXPECT_EQ(m_dialog.GetCurrentName(), c.baseName);
    EXPECT_EQ(m_stdout,
              OpenTrace(narrow) + "[CRecMorphDlg::IsTqvH265:569]: Open " + narrow + " failed!\n\n");
    EXPECT_EQ(m_stderr, "Open file " + narrow + " failed.\n");
  }
}

TEST_F(ProbeTest, PathWithoutDotTouchesNothing) {
  const std::string path = Path("nodot");
  ASSERT_TRUE(WriteTqvFile(path, 2, {{33, 0, Bytes("x")}}));
  WriteBytes(path + ".h265", "old");
  m_dialog.SetCurrentName(L"before");
  EXPECT_FALSE(Probe(path));
  EXPECT_EQ(m_stdout, OpenTrace(path) + kSuffixTrace);
  EXPECT_EQ(m_dialog.GetCurrentName(), L"before");
  EXPECT_EQ(ReadBytes(path + ".h265"), "old");

  // A path that cannot be made narrow reads "(null)", which holds no dot either.
  EXPECT_FALSE(Probe(std::wstring(L"/x/") + wchar_t(0xD800) + L".tqv"));
  EXPECT_EQ(m_stdout, OpenTrace("(null)") + kSuffixTrace);
  EXPECT_EQ(m_dialog.GetCurrentName(), L"before");
}

TEST_F(ProbeTest, SideFileHoldsEveryPayloadInFileOrder) {
  struct Case {
    const char* name;
    std::vector<TqvFrame> frames;
    bool h265;
    std::string side;
  };
  const Case cases[] = {
      {"mixed codes",
       {{1, 0, Bytes("one")}, {2, 1, Bytes("two")}, {33, 2, Bytes("three")}},
       true,
       "onetwothree"},
      {"31 and 35 only", {{31, 0, Bytes("a")}, {35, 1, Bytes("b")}}, false, "ab"},
      {"32 and 34 count", {{34, 0, Bytes("p")}, {5, 1, Bytes("q")}}, true, "pq"},
      {"head only", {}, false, ""},
      {"zero record ends the walk",
       {{1, 0, Bytes("a")}, {1, 1, {}}, {32, 2, Bytes("b")}},
       false,
       "a"},
  };
  for (int version = 1; version <= 3; ++version) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " v" + std::to_string(version));
      const std::string path = Path("cam.tqv");
      ASSERT_TRUE(WriteTqvFile(path, version, c.frames));
      WriteBytes(path + ".h265", "stale stream from an earlier run");
      WriteBytes(path + ".txt", "stale");
      EXPECT_EQ(Probe(path), c.h265);
      EXPECT_EQ(ReadBytes(path + ".h265"), c.side);
      EXPECT_FALSE(std::filesystem::exists(path + ".txt"));
      EXPECT_EQ(m_dialog.GetCurrentName(), L"cam");
      EXPECT_EQ(m_stderr, "");
    }
  }
}

TEST_F(ProbeTest, RecordingThatFailsToOpenLeavesNoSideFile) {
  const std::string path = Path("bad.tqv");
  WriteBytes(path, std::string(300, 'Z'));
  WriteBytes(path + ".h265", "old");
  WriteBytes(path + ".txt", "old");
  EXPECT_FALSE(Probe(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".h265"));
  EXPECT_FALSE(std::filesystem::exists(path + ".txt"));
  EXPECT_EQ(m_stderr, "Unknown tqv magic!\n");
  EXPECT_EQ(m_stdout, OpenTrace(path) + "[CTQVFileReader::OpenTQVFile:124]: TQV version magic " +
                          std::string(32, 'Z') + " Head size(V1:256 V2:224 V3:224)\n\n" +
                          "[CRecMorphDlg::IsTqvH265:569]: Open " + path + " failed!\n\n");
}

TEST_F(ProbeTest, SideFileThatCannotBeCreatedLeavesTheVerdictOfTheWholeWalk) {
  const std::string path = Path("cam.tqv");
  ASSERT_TRUE(WriteTqvFile(path, 3, {{1, 0, Bytes("a")}, {32, 1, Bytes("b")}}));
  std::filesystem::create_directory(path + ".h265");  // neither deletable nor openable as a file
  EXPECT_TRUE(Probe(path));
  EXPECT_TRUE(std::filesystem::is_directory(path + ".h265"));
  EXPECT_EQ(m_stdout.find("failed"), std::string::npos);
}

TEST_F(ProbeTest, PathOfAnyLength) {
  // Longer than the 255 bytes a fixed buffer would take, with a 30-byte extension.
  const std::string folder = Path(std::string(200, 'f'));
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::string path = folder + "/" + std::string(120, 'n') + ".tqv_with_a_long_extension";
  ASSERT_GT(path.size(), 300u);
  ASSERT_TRUE(WriteTqvFile(path, 2, {{33, 0, Bytes("abc")}}));
  EXPECT_TRUE(Probe(path));
  EXPECT_EQ(m_dialog.GetCurrentName(), Wide(std::string(120, 'n')));
  EXPECT_EQ(ReadBytes(path + ".h265"), "abc");
  EXPECT_EQ(m_stdout.substr(0, OpenTrace(path).size()), OpenTrace(path));
}

// Lowers the file-size limit for this process, with SIGXFSZ ignored so that a write beyond it
// fails with EFBIG instead of ending the process; restores both afterwards.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = m_saved;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    ::signal(SIGXFSZ, m_savedHandler);
  }

 private:
  rlimit m_saved{};
  void (*m_savedHandler)(int) = nullptr;
};

TEST_F(ProbeTest, ShortWriteRemovesTheSideFile) {
  const std::string path = Path("cam.tqv");
  const std::vector<std::uint8_t> payload(3000, 0x42);
  // The H.265 frame comes after the write has failed: the verdict still sees it.
  ASSERT_TRUE(WriteTqvFile(path, 2, {{1, 0, payload}, {1, 1, payload}, {33, 2, payload}}));
  bool verdict = false;
  {
    FileSizeLimit limit(4096);
    verdict = Probe(path);
  }
  EXPECT_TRUE(verdict);
  EXPECT_FALSE(std::filesystem::exists(path + ".h265"));
  EXPECT_NE(m_stdout.find("[CRecMorphDlg::IsTqvH265:578]: Write " + path +
                          ".h265 failed, side file removed.\n\n"),
            std::string::npos)
      << m_stdout;

  // ExtractStream on its own reports the short write to its caller.
  CTQVFileReader reader;
  CaptureStdout();
  ASSERT_TRUE(reader.OpenTQVFile(path.c_str()));
  GetCapturedStdout();
  bool writeFailed = false;
  {
    FileSizeLimit limit(4096);
    EXPECT_TRUE(ExtractStream(reader, Path("side.h265"), &writeFailed));
  }
  EXPECT_TRUE(writeFailed);
}

}  // namespace
