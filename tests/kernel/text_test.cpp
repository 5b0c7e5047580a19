#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "kernel/file_delete.h"
#include "kernel/ole_string.h"
#include "kernel/text_conv.h"

namespace {

TEST(OleString, KeepsLengthAndEmbeddedZeros) {
  const wchar_t text[] = L"a\0b\u5f55";
  BSTR s = SysAllocStringLen(text, 4);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 4u);
  EXPECT_EQ(std::wstring(s, 4), std::wstring(text, 4));
  EXPECT_EQ(s[4], L'\0');
  SysFreeString(s);
  SysFreeString(nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  BSTR zeros = SysAllocStringLen(nullptr, 3);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(std::wstring(zeros, 3), std::wstring(3, L'\0'));
  SysFreeString(zeros);
}

struct WideCase {
  std::wstring wide;
  std::string narrow;
};

void PrintTo(const WideCase& c, std::ostream* os) {
  *os << '"' << c.narrow << '"';
}

class TextRoundTrip : public ::testing::TestWithParam<WideCase> {};

TEST_P(TextRoundTrip, BothWays) {
  const auto narrow = kernel::WideToNarrow(GetParam().wide);
  ASSERT_TRUE(narrow.has_value());
  EXPECT_EQ(*narrow, GetParam().narrow);
  EXPECT_EQ(kernel::NarrowToWide(GetParam().narrow), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(Table, TextRoundTrip,
                         ::testing::Values(WideCase{L"", ""}, WideCase{L"cam01.tqv", "cam01.tqv"},
                                           WideCase{L"\u00e9", "\xc3\xa9"},
                                           WideCase{L"\u9519\u8bef", "\xe9\x94\x99\xe8\xaf\xaf"},
                                           WideCase{L"\U0001F600", "\xf0\x9f\x98\x80"}));

TEST(TextConv, InvalidInputIsReplacedOrRefused) {
  EXPECT_EQ(kernel::NarrowToWide("a\x80z"), L"a\uFFFDz");
  EXPECT_EQ(kernel::NarrowToWide("\xc0\xaf"), L"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(kernel::NarrowToWide("\xe9\x94"), L"\uFFFD\uFFFD");  // cut short
  EXPECT_FALSE(kernel::WideToNarrow(std::wstring(1, static_cast<wchar_t>(0xD800))).has_value());
  EXPECT_FALSE(kernel::WideToNarrow(std::wstring(1, static_cast<wchar_t>(0x110000))).has_value());
  const std::wstring bad = std::wstring(L"a") + static_cast<wchar_t>(0xD800) + L"\u9519" +
                           static_cast<wchar_t>(0x110000);
  EXPECT_EQ(kernel::WideToNarrowLossy(bad), "a\xef\xbf\xbd\xe9\x94\x99\xef\xbf\xbd");
}

TEST(FileDelete, RemovesAFileAndReportsAMissingOne) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("rm_kernel_delete_" + std::to_string(::getpid()) + "_\u5f55.h265");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(kernel::DeleteFileWide(kernel::NarrowToWide(path.string())));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(kernel::DeleteFileNarrow(path.string()));
}

}  // namespace
