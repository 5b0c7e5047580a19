#include "recording/TQVFileReader.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/recording/TempDir.h"
#include "tools/samplemaker/TqvWriter.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

std::string MagicTrace(const std::string& magic) {
  return "[CTQVFileReader::OpenTQVFile:124]: TQV version magic " + magic +
         " Head size(V1:256 V2:224 V3:224)\n\n";
}

// A head of size bytes starting with the given magic area bytes, the rest filled with 0x5A.
std::string Head(std::string_view magicArea, std::size_t size) {
  std::string head(size, '\x5A');
  head.replace(0, magicArea.size(), magicArea);
  return head;
}

struct Frame {
  std::int32_t type;
  std::uint64_t stamp;
  std::int32_t length;
  std::string payload;
};

// Reads frames until ReadFrame answers false.
std::vector<Frame> ReadAll(CTQVFileReader& reader) {
  std::vector<Frame> frames;
  std::int32_t type = 0;
  std::uint64_t stamp = 0;
  std::int32_t length = 0;
  std::uint8_t* payload = nullptr;
  while (reader.ReadFrame(type, stamp, length, payload)) {
    frames.push_back({type, stamp, length, std::string(reinterpret_cast<char*>(payload), length)});
    delete[] payload;
  }
  return frames;
}

class ReaderTest : public TempDirTest {};

TEST_F(ReaderTest, ReadsEachVersionWithItsTracesAndStamps) {
  struct Case {
    int version;
    std::string magic;
    std::string stdoutTail;
    std::uint64_t bigStamp;  // what a stamp of 0x1'FFFF'FFFF comes out as
  };
  const Case cases[] = {
      {1, "tqv v1.0", "", 0xFFFFFFFFull},
      {2, "tqv v2.0", "Read tqv 2.0 head 224 ok\n", 0x1FFFFFFFFull},
      {3, "tqv v3.0", "", 0x1FFFFFFFFull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    const std::string path = Path("v" + std::to_string(c.version) + ".tqv");
    ASSERT_TRUE(WriteTqvFile(path, c.version,
                             {{33, 0x1FFFFFFFFull, {1, 2, 3}},
                              {-7, 40, {4}},
                              {1, 0, std::vector<std::uint8_t>(70000, 9)}}));
    CTQVFileReader reader;
    CaptureStdout();
    CaptureStderr();
    ASSERT_TRUE(reader.OpenTQVFile(path.c_str()));
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(GetCapturedStdout(), MagicTrace(c.magic) + c.stdoutTail);
    EXPECT_EQ(reader.GetVersion(), c.version);
    const std::vector<Frame> frames = ReadAll(reader);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].type, 33);
    EXPECT_EQ(frames[0].stamp, c.bigStamp);
    EXPECT_EQ(frames[0].payload, std::string("\1\2\3"));
    EXPECT_EQ(frames[1].type, -7);
    EXPECT_EQ(frames[1].stamp, 40u);
    EXPECT_EQ(frames[2].length, 70000);
    EXPECT_EQ(frames[2].payload, std::string(70000, '\x09'));
    reader.CloseTQVFile();
    reader.CloseTQVFile();  // closing twice does nothing
  }
}

TEST_F(ReaderTest, MagicAreaRules) {
  // The magic area is nine bytes of text and NUL; the bytes behind the NUL are not looked at, and
  // the trace shows the area up to its NUL, never beyond its 32 bytes.
  const std::string junkTail = std::string("tqv v1.0\0", 9) + std::string(23, 'J');
  CTQVFileReader reader;
  WriteBytes(Path("junk.tqv"), Head(junkTail, 256));
  CaptureStdout();
  ASSERT_TRUE(reader.OpenTQVFile(Path("junk.tqv").c_str()));
  EXPECT_EQ(GetCapturedStdout(), MagicTrace("tqv v1.0"));
  EXPECT_EQ(reader.GetVersion(), 1);
  reader.CloseTQVFile();

  WriteBytes(Path("full.tqv"), Head(std::string(32, 'A') + "BBBB", 300));
  CaptureStdout();
  CaptureStderr();
  EXPECT_FALSE(reader.OpenTQVFile(Path("full.tqv").c_str()));
  EXPECT_EQ(GetCapturedStderr(), "Unknown tqv magic!\n");
  EXPECT_EQ(GetCapturedStdout(), MagicTrace(std::string(32, 'A')));
}

TEST_F(ReaderTest, OpenFailuresWriteOneLine) {
  struct Case {
    const char* name;
    std::string content;
    std::string stderrLine;
  };
  const std::string nul(1, '\0');
  const Case cases[] = {
      {"empty", "", "Read tqv magic error!\n"},
      {"31 bytes", std::string(31, 't'), "Read tqv magic error!\n"},
      {"short v1", Head("tqv v1.0" + nul, 255), "Read TqVideoFileHead_V1 failed!\n"},
      {"short v2", Head("tqv v2.0" + nul, 100), "Read TqVideoFileHead_V2 failed!\n"},
      {"short v3", Head("tqv v3.0" + nul, 223), "Read TqVideoFileHead_V3 failed!\n"},
      {"upper case", Head("TQV v1.0" + nul, 256), "Unknown tqv magic!\n"},
      {"no NUL at 8", Head("tqv v1.0x", 256), "Unknown tqv magic!\n"},
      {"unknown version", Head("tqv v4.0" + nul, 256), "Unknown tqv magic!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(Path("bad.tqv"), c.content);
    CTQVFileReader reader;
    CaptureStdout();
    CaptureStderr();
    EXPECT_FALSE(reader.OpenTQVFile(Path("bad.tqv").c_str()));
    EXPECT_EQ(GetCapturedStderr(), c.stderrLine);
    GetCapturedStdout();
    std::int32_t type = 5, length = 5;
    std::uint64_t stamp = 5;
    std::uint8_t* payload = nullptr;
    EXPECT_FALSE(reader.ReadFrame(type, stamp, length, payload));
  }
  CTQVFileReader reader;
  const std::string missing = Path("missing.tqv");
  CaptureStderr();
  EXPECT_FALSE(reader.OpenTQVFile(missing.c_str()));
  EXPECT_EQ(GetCapturedStderr(), "Open file " + missing + " failed.\n");
}

TEST_F(ReaderTest, OpensReadOnlyRecording) {
  const std::string path = Path("ro.tqv");
  ASSERT_TRUE(WriteTqvFile(path, 3, {{32, 1, {7, 7}}}));
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);
  // Root may write anything, so the reading is done by a child that has given that up.
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    std::FILE* probe = std::fopen(path.c_str(), "rb+");
    if (probe != nullptr) ::_exit(4);  // the file would not prove anything
    CTQVFileReader reader;
    if (!reader.OpenTQVFile(path.c_str())) ::_exit(1);
    ::_exit(ReadAll(reader).size() == 1 ? 0 : 2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A v2 head followed by the given record bytes.
class ReaderEndTest : public ReaderTest {
 protected:
  // Opens a version-2 recording made of the writer's steps and returns the frames read.
  template <typename Steps>
  std::vector<Frame> Read(Steps steps) {
    CTqvWriter writer;
    EXPECT_TRUE(writer.Open(Path("end.tqv"), 2));
    steps(writer);
    EXPECT_TRUE(writer.Close());
    CaptureStdout();
    EXPECT_TRUE(m_reader.OpenTQVFile(Path("end.tqv").c_str()));
    GetCapturedStdout();
    return ReadAll(m_reader);
  }
  CTQVFileReader m_reader;
};

TEST_F(ReaderEndTest, HeadOnlyRecordingHasNoFrames) {
  EXPECT_TRUE(Read([](CTqvWriter&) {}).empty());
}

TEST_F(ReaderEndTest, ZeroLengthRecordEndsStreamAndClearsOutputs) {
  const auto frames = Read([](CTqvWriter& w) {
    w.WriteFrame(32, 1, "a", 1);
    w.WriteFrame(32, 2, "", 0);
    w.WriteFrame(32, 3, "c", 1);
  });
  ASSERT_EQ(frames.size(), 1u);
  // Read again on a fresh reader, stopping at the zero record to see its outputs.
  CTQVFileReader reader;
  CaptureStdout();
  ASSERT_TRUE(reader.OpenTQVFile(Path("end.tqv").c_str()));
  GetCapturedStdout();
  std::int32_t type = 0, length = 0;
  std::uint64_t stamp = 0;
  std::uint8_t* payload = nullptr;
  ASSERT_TRUE(reader.ReadFrame(type, stamp, length, payload));
  delete[] payload;
  EXPECT_FALSE(reader.ReadFrame(type, stamp, length, payload));
  EXPECT_EQ(type, 0);
  EXPECT_EQ(stamp, 0u);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(payload, nullptr);
}

TEST_F(ReaderEndTest, BrokenRecordsEndStreamWithoutTouchingOutputs) {
  struct Case {
    const char* name;
    void (*steps)(CTqvWriter&);
  };
  const Case cases[] = {
      {"short payload", [](CTqvWriter& w) { w.WriteFrameHead(33, 1, 10), w.WriteRaw("12345", 5); }},
      {"frame head cut short", [](CTqvWriter& w) { w.WriteRaw("\x21\0\0\0\1", 5); }},
      {"negative length", [](CTqvWriter& w) { w.WriteFrameHead(33, 1, -1), w.WriteRaw("xy", 2); }},
      {"most negative length",
       [](CTqvWriter& w) { w.WriteFrameHead(33, 1, INT32_MIN), w.WriteRaw("xy", 2); }},
      {"length beyond the file",
       [](CTqvWriter& w) { w.WriteFrameHead(33, 1, INT32_MAX), w.WriteRaw("xy", 2); }},
      {"one byte beyond the file",
       [](CTqvWriter& w) { w.WriteFrameHead(33, 1, 3), w.WriteRaw("xy", 2); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto frames = Read([&](CTqvWriter& w) {
      w.WriteFrame(34, 9, "ok", 2);
      c.steps(w);
    });
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].payload, "ok");
    m_reader.CloseTQVFile();
  }
  // The outputs stay as they were on such an end.
  Read([](CTqvWriter& w) { w.WriteFrameHead(33, 1, -5), w.WriteRaw("xy", 2); });
  m_reader.CloseTQVFile();
  CaptureStdout();
  ASSERT_TRUE(m_reader.OpenTQVFile(Path("end.tqv").c_str()));
  GetCapturedStdout();
  std::int32_t type = 77, length = 77;
  std::uint64_t stamp = 77;
  std::uint8_t sentinel = 0;
  std::uint8_t* payload = &sentinel;
  EXPECT_FALSE(m_reader.ReadFrame(type, stamp, length, payload));
  EXPECT_EQ(type, 77);
  EXPECT_EQ(stamp, 77u);
  EXPECT_EQ(length, 77);
  EXPECT_EQ(payload, &sentinel);
}

TEST_F(ReaderEndTest, PayloadFillingTheFileExactlyIsWhole) {
  const auto frames = Read([](CTqvWriter& w) { w.WriteFrameHead(1, 1, 2), w.WriteRaw("xy", 2); });
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, "xy");
}

TEST_F(ReaderEndTest, RecordingThatGrowsAfterTheOpenIsReadOn) {
  // The recorder is still writing: the payload is only half there when the reader opens.
  CTqvWriter writer;
  ASSERT_TRUE(writer.Open(Path("live.tqv"), 3));
  writer.WriteFrameHead(32, 1, 6);
  writer.WriteRaw("abc", 3);
  ASSERT_TRUE(writer.Close());
  CaptureStdout();
  ASSERT_TRUE(m_reader.OpenTQVFile(Path("live.tqv").c_str()));
  GetCapturedStdout();
  std::ofstream(Path("live.tqv"), std::ios::binary | std::ios::app) << "def";
  const auto frames = ReadAll(m_reader);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, "abcdef");
}

}  // namespace
