// The sample maker's recordings, read back through the reader and the probe.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "recording/ProbeTarget.h"
#include "recording/TQVFileReader.h"
#include "tests/recording/TempDir.h"

namespace {

class SamplesTest : public TempDirTest {};

TEST_F(SamplesTest, EverySampleHasFiftyAccessUnitsWithKeyCodesAndMillisecondStamps) {
  struct Case {
    std::string name;
    int version;
    std::int32_t keyType, otherType;
    bool h265;
  };
  const Case cases[] = {
      {"h264_v1.tqv", 1, 1, 2, false},  {"h264_v2.tqv", 2, 1, 2, false},
      {"h264_v3.tqv", 3, 1, 2, false},  {"h265_v1.tqv", 1, 32, 33, true},
      {"h265_v2.tqv", 2, 32, 33, true}, {"h265_v3.tqv", 3, 32, 33, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = std::string(RECMORPH_SAMPLE_DIR) + "/" + c.name;
    CTQVFileReader reader;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(reader.OpenTQVFile(path.c_str()));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(reader.GetVersion(), c.version);
    std::int32_t type = 0, length = 0;
    std::uint64_t stamp = 0;
    std::uint8_t* payload = nullptr;
    int n = 0;
    std::string stream;
    while (reader.ReadFrame(type, stamp, length, payload)) {
      EXPECT_EQ(type, n % 25 == 0 ? c.keyType : c.otherType) << "frame " << n;
      EXPECT_EQ(stamp, 40u * n);
      // Each record is one access unit in Annex B form.
      EXPECT_TRUE(length > 4 && payload[0] == 0 && payload[1] == 0) << "frame " << n;
      stream.append(reinterpret_cast<char*>(payload), length);
      delete[] payload;
      ++n;
    }
    EXPECT_EQ(n, 50);

    // The probe copies the sample beside itself and extracts the same stream.
    const std::string copy = Path(c.name);
    WriteBytes(copy, ReadBytes(path));
    CProbeTarget dialog;
    testing::internal::CaptureStdout();
    EXPECT_EQ(CProbeTarget::IsTqvH265(&dialog, std::wstring(copy.begin(), copy.end())), c.h265);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadBytes(copy + ".h265"), stream);
  }
}

}  // namespace
