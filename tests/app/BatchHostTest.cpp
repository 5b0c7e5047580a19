// The batch command without a batch: how log lines are written, how files join the list, and the
// usage errors of the command line.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/BatchHost.h"
#include "ui/ProcessLocale.h"

namespace {

std::string Written(const std::wstring& line) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  CBatchHost::WriteLogLine(out, line);
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

int ExitStatusOf(const std::string& arguments) {
  const std::string command = std::string("'") + RECMORPH_EXE + "' " + arguments + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(BatchHostTest, WritesLogLinesAsUtf8WithoutTheirTrailingLineEnd) {
  struct Case {
    std::wstring line;
    std::string written;
  };
  const Case cases[] = {
      {L"2026-12-11 10:00:00.0042转码服务启动...", "2026-12-11 10:00:00.0042转码服务启动...\n"},
      {L"错误信息:bad input\r\n", "错误信息:bad input\n"},
      {L"lf only\n", "lf only\n"},
      {L"inner\r\nkept\r\n", "inner\r\nkept\n"},
      {L"cr only\r", "cr only\r\n"},
      {L"", "\n"},
      {std::wstring(L"lone ") + wchar_t(0xD800), "lone \xEF\xBF\xBD\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Written(c.line), c.written);
}

TEST(BatchHostTest, AddsEachFileNameOnceWithItsFolder) {
  SetProcessLocale();
  CBatchHost host(stdout);
  EXPECT_TRUE(host.AddRecordingPath(L"/rec/a.tqv"));
  EXPECT_TRUE(host.AddRecordingPath(L"/rec/录像.TQV"));
  EXPECT_FALSE(host.AddRecordingPath(L"/other/A.TQV"));
  EXPECT_FALSE(host.AddRecordingPath(L"/rec/录像.tqv"));
  EXPECT_FALSE(host.AddRecordingPath(L"/rec/"));
  ASSERT_EQ(host.RowCount(), 2);
  EXPECT_EQ(host.RowName(1), L"录像.TQV");
  EXPECT_EQ(host.RowStatus(0), L"×");
  EXPECT_EQ(host.RowName(0), L"a.tqv");
}

TEST(BatchCommandTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(ExitStatusOf("--batch"), 2);
  EXPECT_EQ(ExitStatusOf("--batch ''"), 2);
  EXPECT_EQ(ExitStatusOf("--no-such-option"), 2);
  EXPECT_EQ(ExitStatusOf("--version extra"), 2);  // a bare FILE opens the window instead
}

TEST(BatchCommandTest, TheDialogWithoutADisplaySaysSoInsteadOfAborting) {
  const std::string command =
      std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '") + RECMORPH_EXE +
      "' 2>/dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
}
