// tqvdump, run as a program on the samples and on broken recordings.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/recording/TempDir.h"

namespace {

class TqvDumpTest : public TempDirTest {
 protected:
  // Runs tqvdump on path with both output streams gathered; answers its exit status.
  int Dump(const std::string& path) {
    const std::string command = std::string(RECMORPH_TQVDUMP) + " '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    m_output.clear();
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) m_output.append(buffer, got);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool Says(const std::string& line) const {
    return m_output.find(line + "\n") != std::string::npos;
  }
  std::string m_output;
};

TEST_F(TqvDumpTest, DescribesTheSamples) {
  struct Case {
    const char* name;
    const char* version;
    const char* codes;
    const char* h265;
  };
  const Case cases[] = {
      {"h265_v3.tqv", "3", "32 x2, 33 x48", "yes"},
      {"h264_v1.tqv", "1", "1 x2, 2 x48", "no"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Dump(std::string(RECMORPH_SAMPLE_DIR) + "/" + c.name), 0) << m_output;
    EXPECT_TRUE(Says(std::string("  version: ") + c.version)) << m_output;
    EXPECT_TRUE(Says("  frames: 50")) << m_output;
    EXPECT_TRUE(Says(std::string("  type codes: ") + c.codes)) << m_output;
    EXPECT_TRUE(Says("  first stamp: 0")) << m_output;
    EXPECT_TRUE(Says("  last stamp: 1960")) << m_output;
    EXPECT_TRUE(Says(std::string("  H.265 (probe): ") + c.h265)) << m_output;
    EXPECT_TRUE(Says("  bytes after the last frame: 0")) << m_output;
  }
}

TEST_F(TqvDumpTest, BrokenRecordings) {
  // Cut inside a payload: the frames before the cut are described, and the rest is reported.
  const std::string sample = ReadBytes(std::string(RECMORPH_SAMPLE_DIR) + "/h265_v2.tqv");
  WriteBytes(Path("cut.tqv"), sample.substr(0, sample.size() - 100));
  EXPECT_EQ(Dump(Path("cut.tqv")), 0);
  EXPECT_TRUE(Says("  frames: 49")) << m_output;
  EXPECT_NE(m_output.find("(the frame walk ended early)"), std::string::npos) << m_output;

  WriteBytes(Path("junk.tqv"), std::string(400, 'j'));
  EXPECT_EQ(Dump(Path("junk.tqv")), 1);
  EXPECT_TRUE(Says("Unknown tqv magic!")) << m_output;
  EXPECT_EQ(m_output.find("frames:"), std::string::npos);

  EXPECT_EQ(Dump(Path("missing.tqv")), 1);
  EXPECT_TRUE(Says("Open file " + Path("missing.tqv") + " failed.")) << m_output;
}

}  // namespace
