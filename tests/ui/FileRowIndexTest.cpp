// CFileRowIndex gives the same answers as the scans it replaces, keeps them through removals, and
// keeps a finished row's status final.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ui/FileRowIndex.h"
#include "ui/ProcessLocale.h"

namespace {

// The scans, written as plainly as the rules read.
int ScanStatusRow(const std::vector<std::wstring>& names, const std::wstring& posted) {
  const std::wstring key = CFileRowIndex::Lower(posted);
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::wstring t = CFileRowIndex::Lower(names[i]);
    const std::size_t p = t.find(L".tqv");
    t.resize(p == std::wstring::npos ? 0 : p);
    if (t == key) return static_cast<int>(i);
  }
  return -1;
}

bool ScanContains(const std::vector<std::wstring>& names, const std::wstring& name) {
  bool found = false;
  for (const std::wstring& n : names)
    found |= CFileRowIndex::Lower(n) == CFileRowIndex::Lower(name);
  return found;
}

}  // namespace

TEST(FileRowIndexTest, KeysAndPathsFollowTheRules) {
  SetProcessLocale();
  struct Case {
    const wchar_t* name;
    const wchar_t* key;
  };
  const Case cases[] = {
      {L"Clip01.TQV", L"clip01"},     {L"a.tqv.tqv", L"a"}, {L"noext", L""},        {L".tqv", L""},
      {L"CLIP01.tqv.old", L"clip01"}, {L"ÄBC.tqv", L"äbc"}, {L"录像.TQV", L"录像"},
  };
  for (const Case& c : cases) EXPECT_EQ(CFileRowIndex::StatusKey(c.name), c.key) << c.key;

  std::wstring folder, name;
  CFileRowIndex::SplitPath(L"/rec/day 1/a.tqv", &folder, &name);
  EXPECT_EQ(folder, L"/rec/day 1/");
  EXPECT_EQ(name, L"a.tqv");
  CFileRowIndex::SplitPath(L"a.tqv", &folder, &name);
  EXPECT_EQ(folder, L"");
  EXPECT_EQ(name, L"a.tqv");
}

TEST(FileRowIndexTest, AnswersAsTheScanDoesThroughAppendsAndRemovals) {
  SetProcessLocale();
  std::mt19937 random(12345);
  const std::vector<std::wstring> stems = {L"a", L"A", L"clip01", L"CLIP01", L"b", L"", L"录像"};
  const std::vector<std::wstring> tails = {L".tqv", L".TQV", L".tqv.old", L"", L".Tqv.tqv", L".x"};
  std::vector<std::wstring> names;
  CFileRowIndex index;
  for (int step = 0; step < 600; ++step) {
    const std::wstring name = stems[random() % stems.size()] + tails[random() % tails.size()];
    if (random() % 4 == 0 && !names.empty()) {
      const int row = static_cast<int>(random() % names.size());
      names.erase(names.begin() + row);
      index.Remove(row);
    } else {
      names.push_back(name);
      index.Append(name);
    }
    ASSERT_EQ(index.Count(), static_cast<int>(names.size()));
    for (const std::wstring& stem : stems) {
      ASSERT_EQ(index.FindStatusRow(stem), ScanStatusRow(names, stem)) << "step " << step;
    }
    ASSERT_EQ(index.ContainsName(name), ScanContains(names, name));
    ASSERT_EQ(index.ContainsName(L"zz.tqv"), false);
  }
  index.Clear();
  EXPECT_EQ(index.FindStatusRow(L"a"), -1);
}

TEST(FileRowIndexTest, OnlyTheRowBeingConvertedTakesStatusesAndAFinishedRowKeepsItsOwn) {
  CFileRowIndex index;
  for (const wchar_t* name : {L"a.tqv", L"b.tqv", L"c.tqv"}) index.Append(name);
  EXPECT_TRUE(index.AcceptsStatus(0));  // no batch: any row
  index.BeginRow(1);
  EXPECT_FALSE(index.AcceptsStatus(0));
  EXPECT_TRUE(index.AcceptsStatus(1));
  index.FinishRow(1);
  EXPECT_FALSE(index.AcceptsStatus(1));
  EXPECT_TRUE(index.AcceptsStatus(2));
  index.Remove(0);  // b moves up to row 0 and stays final
  EXPECT_FALSE(index.AcceptsStatus(0));
  index.BeginRow(0);  // a new batch converts it again
  EXPECT_TRUE(index.AcceptsStatus(0));
  index.Remove(0);
  EXPECT_EQ(index.ActiveRow(), -1);
}
