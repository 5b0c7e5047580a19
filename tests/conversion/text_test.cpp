// The texts the engine builds: command lines, output paths, timestamps, watchdog texts.
#include <gtest/gtest.h>

#include "conversion/ConverterCommand.h"
#include "conversion/FormatLocalTimestamp.h"
#include "conversion/WatchdogText.h"

namespace {

TEST(ConverterCommand, FfmpegLineHasTwoSpacesAfterDashI) {
  const auto c =
      BuildFfmpegCommand(L"/opt/rec tools/ffmpeg", L"/rec/cam01.tqv.h265", L"/rec/cam01.avi");
  EXPECT_EQ(c.commandLine,
            L"/opt/rec tools/ffmpeg -i  \"/rec/cam01.tqv.h265\" \"/rec/cam01.avi\" -y");
  EXPECT_EQ(c.argv, (std::vector<std::wstring>{L"/opt/rec tools/ffmpeg", L"-i",
                                               L"/rec/cam01.tqv.h265", L"/rec/cam01.avi", L"-y"}));
}

TEST(ConverterCommand, ClipRemuxerLineQuotesOnlyInputAndOutput) {
  const auto c =
      BuildClipRemuxerCommand(L"/opt/rec tools/ClipRemuxer", L"/rec/cam01.tqv", L"/rec/cam01.avi");
  EXPECT_EQ(c.commandLine, L"/opt/rec tools/ClipRemuxer \"/rec/cam01.tqv\" \"/rec/cam01.avi\"");
  EXPECT_EQ(c.argv, (std::vector<std::wstring>{L"/opt/rec tools/ClipRemuxer", L"/rec/cam01.tqv",
                                               L"/rec/cam01.avi"}));
}

TEST(ConverterCommand, OutputNameStopsAtTheFirstDot) {
  EXPECT_EQ(OutputPathFor(L"/rec/", L"cam01.part2.tqv"), L"/rec/cam01.avi");
  EXPECT_EQ(OutputPathFor(L"/rec/", L"cam01.tqv"), L"/rec/cam01.avi");
  EXPECT_EQ(OutputPathFor(L"/rec/", L"cam01"), L"/rec/.avi");
  EXPECT_EQ(OutputPathFor(L"", L"录像.tqv"), L"录像.avi");
}

TEST(ConverterCommand, ToolFolderIsCutAtTheLastSlash) {
  EXPECT_EQ(ToolFolderOf(L"/usr/lib/rec morph/RecMorph"), L"/usr/lib/rec morph");
  EXPECT_EQ(ToolFolderOf(L"RecMorph"), L"");
  EXPECT_EQ(ClipRemuxerPathIn(L"/opt/x"), L"/opt/x/ClipRemuxer");
}

TEST(FormatLocalTimestamp, FourDigitMilliseconds) {
  std::wstring s = L"old content";
  FormatLocalTimestamp(s, kernel::LocalTime{2018, 5, 3, 14, 7, 9, 42});
  EXPECT_EQ(s, L"2018-05-03 14:07:09.0042");
  FormatLocalTimestamp(s, kernel::LocalTime{2026, 12, 31, 23, 59, 58, 999});
  EXPECT_EQ(s, L"2026-12-31 23:59:58.0999");
}

struct WatchdogCase {
  std::int64_t e;
  const wchar_t* marker;
};

class WatchdogTexts : public ::testing::TestWithParam<WatchdogCase> {};

TEST_P(WatchdogTexts, MarkerIsRPlusOneDashesAndAnArrowHead) {
  EXPECT_EQ(WatchdogMarker(GetParam().e), GetParam().marker);
}

INSTANTIATE_TEST_SUITE_P(Table, WatchdogTexts,
                         ::testing::Values(WatchdogCase{3, L"---->"}, WatchdogCase{60, L"->"},
                                           WatchdogCase{119, L"---------->"},
                                           WatchdogCase{120, L"->"}, WatchdogCase{1, L"-->"},
                                           WatchdogCase{0, L"->"}, WatchdogCase{-3, L"->"}));

TEST(WatchdogTexts, MinuteLine) {
  EXPECT_EQ(WatchdogMinuteLine(L"clip01", 60), L"转码任务[clip01]已转码 60 S ... ");
  EXPECT_EQ(WatchdogMinuteLine(L"clip01", 120), L"转码任务[clip01]已转码 120 S ... ");
}

}  // namespace
