// CFileDialog over the real Qt file dialog: the filter as shown, the default extension, several
// files in one pick, Cancel, and the walk over the result.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "classlayer/FileDialog.h"
#include "tests/FileDialogDriver.h"

namespace {

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    for (const char* name : {"a.tqv", "b.tqv", "clip.tqv"}) {
      QFile f(dir_.filePath(name));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
  }
  std::wstring Path(const char* name) const { return dir_.filePath(name).toStdWString(); }

  std::vector<std::wstring> Walk(const CFileDialog& dlg) {
    std::vector<std::wstring> paths;
    for (POSITION pos = dlg.GetStartPosition(); pos != nullptr;) {
      paths.push_back(dlg.GetNextPathName(pos));
    }
    return paths;
  }

  QTemporaryDir dir_;
};

constexpr DWORD kFlags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT;
constexpr const wchar_t* kFilter = L"TQV(*.tqv)|*.tqv||";

TEST(FileDialogFilter, PlatformFormBecomesQtFiltersShownByDisplayText) {
  EXPECT_EQ(CFileDialog::QtNameFilters(kFilter), std::vector<std::wstring>{L"TQV(*.tqv) (*.tqv)"});
  EXPECT_EQ(CFileDialog::QtNameFilters(L"视频|*.tqv;*.avi|所有文件|*.*||"),
            (std::vector<std::wstring>{L"视频 (*.tqv *.avi)", L"所有文件 (*.*)"}));
  EXPECT_TRUE(CFileDialog::QtNameFilters(nullptr).empty());
}

TEST_F(FileDialogTest, SeveralFilesInOnePickWalkInOrder) {
  QStringList shown;
  QFileDialog::FileMode mode{};
  WhenFileDialogOpens([&](QFileDialog* d) {
    shown = ShownFilters(d);
    mode = d->fileMode();
    PickFiles(d, dir_.path(), {"b.tqv", "a.tqv"});
  });
  CFileDialog dlg(true, L"tqv", nullptr, kFlags, kFilter, nullptr, 0, true);
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(shown, QStringList{"TQV(*.tqv)"});
  EXPECT_EQ(mode, QFileDialog::ExistingFiles);
  EXPECT_EQ(Walk(dlg), (std::vector<std::wstring>{Path("b.tqv"), Path("a.tqv")}));
}

TEST_F(FileDialogTest, NameTypedWithoutExtensionGetsTheDefaultOne) {
  WhenFileDialogOpens([&](QFileDialog* d) { PickFiles(d, dir_.path(), {"clip"}); });
  CFileDialog dlg(true, L"tqv", nullptr, kFlags, kFilter);
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(Walk(dlg), std::vector<std::wstring>{Path("clip.tqv")});
  EXPECT_EQ(dlg.GetPathName(), Path("clip.tqv"));
}

TEST_F(FileDialogTest, CancelPicksNothing) {
  WhenFileDialogOpens([](QFileDialog* d) { d->reject(); });
  CFileDialog dlg(true, L"tqv", nullptr, kFlags, kFilter);
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.GetStartPosition(), nullptr);
}

TEST_F(FileDialogTest, NextFolderShownIsThePreviousPicksFolder) {
  WhenFileDialogOpens([&](QFileDialog* d) { PickFiles(d, dir_.path(), {"a.tqv"}); });
  CFileDialog first(true, L"tqv", nullptr, kFlags, kFilter);
  ASSERT_EQ(first.DoModal(), IDOK);
  QString shownFolder;
  WhenFileDialogOpens([&](QFileDialog* d) {
    shownFolder = d->directory().absolutePath();
    d->reject();
  });
  CFileDialog second(true, L"tqv", nullptr, kFlags, kFilter);
  second.DoModal();
  EXPECT_EQ(shownFolder, QDir(dir_.path()).absolutePath());
}

TEST_F(FileDialogTest, StrayPositionEndsTheWalk) {
  WhenFileDialogOpens([&](QFileDialog* d) { PickFiles(d, dir_.path(), {"a.tqv"}); });
  CFileDialog dlg(true, L"tqv", nullptr, kFlags, kFilter);
  ASSERT_EQ(dlg.DoModal(), IDOK);
  int unrelated = 0;
  POSITION pos = &unrelated;
  EXPECT_EQ(dlg.GetNextPathName(pos), L"");
  EXPECT_EQ(pos, nullptr);
}

}  // namespace
