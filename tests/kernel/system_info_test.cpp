#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include "kernel/exe_path.h"
#include "kernel/local_time.h"
#include "kernel/memory_status.h"

namespace {

struct MemInfoCase {
  const char* text;
  bool ok;
  std::uint64_t total;
  std::uint64_t avail;
  std::uint32_t load;
};

void PrintTo(const MemInfoCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class MemInfo : public ::testing::TestWithParam<MemInfoCase> {};

TEST_P(MemInfo, Parse) {
  const auto& c = GetParam();
  kernel::MemoryStatus s;
  s.totalPhys = 1;
  ASSERT_EQ(kernel::ParseMemInfo(c.text, s), c.ok);
  if (!c.ok) {
    EXPECT_EQ(s.totalPhys, 1u);  // untouched
    return;
  }
  EXPECT_EQ(s.totalPhys, c.total);
  EXPECT_EQ(s.availPhys, c.avail);
  EXPECT_EQ(s.memoryLoad, c.load);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MemInfo,
    ::testing::Values(
        // 24 GiB total, 6 GiB available: load 75.
        MemInfoCase{"MemTotal:       25165824 kB\nMemFree:  100 kB\nMemAvailable:    6291456 kB\n",
                    true, 25165824ull * 1024, 6291456ull * 1024, 75},
        // The load is truncated, as an integer percentage.
        MemInfoCase{"MemTotal: 3 kB\nMemAvailable: 1 kB\n", true, 3072, 1024, 66},
        MemInfoCase{"MemTotal: 1000 kB\nMemAvailable: 1000 kB", true, 1024000, 1024000, 0},
        MemInfoCase{"MemTotal: 1000 kB\nMemFree: 10 kB\n", false, 0, 0, 0},
        MemInfoCase{"MemTotal: 0 kB\nMemAvailable: 0 kB\n", false, 0, 0, 0},
        MemInfoCase{"MemTotal: kB\nMemAvailable: 1 kB\n", false, 0, 0, 0},
        MemInfoCase{"", false, 0, 0, 0}));

TEST(MemoryStatus, ReadsThisMachine) {
  kernel::MemoryStatus s;
  ASSERT_TRUE(kernel::GetMemoryStatus(s));
  EXPECT_GT(s.totalPhys, 0u);
  EXPECT_LE(s.availPhys, s.totalPhys);
  EXPECT_LE(s.memoryLoad, 100u);
}

TEST(ExecutablePath, IsThisProgram) {
  const std::string path = kernel::ExecutablePathNarrow();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_EQ(path.substr(path.rfind('/') + 1), "kernel_tests");
  EXPECT_EQ(::access(path.c_str(), X_OK), 0);
}

TEST(LocalTime, AgreesWithTheWallClock) {
  const std::int64_t before = kernel::WallClockSeconds();
  const kernel::LocalTime t = kernel::GetLocalTime();
  const std::int64_t after = kernel::WallClockSeconds();
  EXPECT_GE(t.milliseconds, 0);
  EXPECT_LE(t.milliseconds, 999);
  tm parts{};
  parts.tm_year = t.year - 1900;
  parts.tm_mon = t.month - 1;
  parts.tm_mday = t.day;
  parts.tm_hour = t.hour;
  parts.tm_min = t.minute;
  parts.tm_sec = t.second;
  parts.tm_isdst = -1;
  const std::int64_t seconds = ::mktime(&parts);
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, after);
}

}  // namespace
