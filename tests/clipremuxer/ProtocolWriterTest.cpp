// The protocol lines byte for byte: row names, progress only on change, one completion, and error
// lines kept within the tool's 127 bytes.
#include <stdio.h>

#include <string>

#include <gtest/gtest.h>

#include "clipremuxer/ProtocolWriter.h"

namespace clipremuxer {
namespace {

// Collects what the writer writes.
class Captured {
 public:
  Captured() : m_pFile(::open_memstream(&m_pBuffer, &m_nSize)) {}
  ~Captured() {
    std::fclose(m_pFile);
    std::free(m_pBuffer);
  }
  FILE* File() { return m_pFile; }
  std::string Text() {
    std::fflush(m_pFile);
    return std::string(m_pBuffer, m_nSize);
  }

 private:
  char* m_pBuffer = nullptr;
  std::size_t m_nSize = 0;
  FILE* m_pFile;
};

TEST(ProtocolWriter, RowNames) {
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"/rec/cam01.tqv", "cam01"},
      {"/rec/Cam 01.TQV", "Cam 01"},
      {"cam01.part2.tqv", "cam01.part2"},
      {"/a.b/clip.Tqv.bak", "clip"},
      {"/rec/noext", "noext"},
      {"/rec/录像.tqv", "录像"},
      {"rel/dir/x.tqv.tqv", "x"},
  };
  for (const auto& c : cases) EXPECT_EQ(CProtocolWriter::RowName(c.path), c.name) << c.path;
}

TEST(ProtocolWriter, ProgressOnlyOnChangeAndOneCompletion) {
  Captured out;
  CProtocolWriter writer(out.File(), "/rec/Cam 01.TQV");
  for (int p : {0, 0, 1, 1, 1, 57, 99, 100, 120}) writer.Progress(p);
  writer.Complete();
  writer.Complete();
  writer.Progress(3);
  EXPECT_EQ(out.Text(),
            "@@[cv]+Cam 01>##<Progress:0\r\n"
            "@@[cv]+Cam 01>##<Progress:1\r\n"
            "@@[cv]+Cam 01>##<Progress:57\r\n"
            "@@[cv]+Cam 01>##<Progress:99\r\n"
            "@@[cv]+Cam 01>##<Progress:100\r\n");
}

TEST(ProtocolWriter, ErrorLinesFitTheToolsBuffer) {
  Captured out;
  CProtocolWriter writer(out.File(), "x.tqv");
  writer.Error("无法打开录像文件", "cam01.tqv");
  EXPECT_EQ(out.Text(), "@@[cv]-无法打开录像文件: cam01.tqv\r\n");

  Captured longOut;
  CProtocolWriter longWriter(longOut.File(), "x.tqv");
  std::string name;
  for (int i = 0; i < 60; ++i) name += "录";  // 180 bytes of three-byte characters
  longWriter.Error("无法打开录像文件", name + ".tqv");
  const std::string line = longOut.Text();
  EXPECT_LE(line.size(), CProtocolWriter::kMaxLine);
  EXPECT_EQ(line.substr(line.size() - 5), "...\r\n");
  EXPECT_EQ(line.rfind("@@[cv]-无法打开录像文件: 录录", 0), 0u);
  // The cut falls between characters: what stands before "..." is whole three-byte characters.
  const std::size_t head = std::string("@@[cv]-无法打开录像文件: ").size();
  EXPECT_EQ((line.size() - 5 - head) % 3, 0u);
}

}  // namespace
}  // namespace clipremuxer
