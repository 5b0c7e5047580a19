// File selection on the real dialog: the 选择文件 button with the real file dialog, the duplicate
// rules as a table of click sequences, files dropped on the file list, and the files named at
// start-up.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/FileDialogDriver.h"
#include "tests/MessageBoxRecorder.h"
#include "ui/RecMorphDlg.h"

namespace {

// One row as the test expects it: name, status, folder (relative to the fixture's root).
struct Row {
  std::wstring name;
  std::wstring status;
  std::string folder;
};

class FileSelectionTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    for (const char* path : {"rec/a.tqv", "rec/A.TQV", "rec/b.tqv", "rec/clip.tqv", "rec/notes.txt",
                             "other/a.tqv", "other/A.TQV", "other/c.tqv"}) {
      MakeFile(path);
    }
    dlg_ = std::make_unique<CRecMorphDlg>(ConversionTiming::Real(),
                                          [](kernel::MemoryStatus&) { return false; });
  }
  void TearDown() override { dlg_.reset(); }

  void MakeFile(const QString& relative) {
    const QString path = root_.filePath(relative);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QString Folder(const std::string& relative) const {
    return root_.filePath(QString::fromStdString(relative));
  }

  // Presses 选择文件 and picks names in folder (no names: Cancel).
  void Pick(const std::string& folder, const QStringList& names) {
    WhenFileDialogOpens([&](QFileDialog* d) {
      if (names.isEmpty()) {
        d->reject();
      } else {
        PickFiles(d, Folder(folder), names);
      }
    });
    qobject_cast<QPushButton*>(dlg_->GetDlgItem(IDC_BTN_SELECT).GetSafeHwnd())->click();
  }

  std::vector<Row> Rows() {
    std::vector<Row> rows;
    const std::wstring root = QDir(root_.path()).absolutePath().toStdWString() + L"/";
    for (int i = 0; i < dlg_->FileList().GetItemCount(); ++i) {
      std::wstring folder = dlg_->GetItemFolder(i);
      if (folder.rfind(root, 0) == 0) folder = folder.substr(root.size());
      rows.push_back({dlg_->FileList().GetItemText(i, 0), dlg_->FileList().GetItemText(i, 1),
                      QString::fromStdWString(folder).toStdString()});
    }
    return rows;
  }

  QTemporaryDir root_;
  MessageBoxRecorder boxes_;
  std::unique_ptr<CRecMorphDlg> dlg_;
};

bool operator==(const Row& a, const Row& b) {
  return a.name == b.name && a.status == b.status && a.folder == b.folder;
}
void PrintTo(const Row& r, std::ostream* os) {
  *os << QString::fromStdWString(r.name).toStdString() << " "
      << QString::fromStdWString(r.status).toStdString() << " " << r.folder;
}

TEST_F(FileSelectionTest, TheButtonOpensAnOpenDialogForSeveralTqvFiles) {
  ASSERT_TRUE(dlg_->Create());
  QStringList shown;
  QFileDialog::FileMode mode{};
  QFileDialog::AcceptMode accept{};
  QString suffix;
  WhenFileDialogOpens([&](QFileDialog* d) {
    shown = ShownFilters(d);
    mode = d->fileMode();
    accept = d->acceptMode();
    suffix = d->defaultSuffix();
    d->reject();
  });
  dlg_->OnBnClickedSelect();
  EXPECT_EQ(shown, QStringList{"TQV(*.tqv)"});
  EXPECT_EQ(mode, QFileDialog::ExistingFiles);
  EXPECT_EQ(accept, QFileDialog::AcceptOpen);
  EXPECT_EQ(suffix, "tqv");
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(boxes_.boxes.empty());
}

// One step of a case: a pick (folder and names; no names is Cancel), the delete button on a row,
// or a row marked converted as a batch would.
struct Step {
  enum Kind { kPick, kDelete, kConverted } kind;
  std::string folder;
  QStringList names;
  int row = -1;
};
Step PickIn(std::string folder, QStringList names) {
  return {Step::kPick, folder, names};
}
Step Cancel() {
  return {Step::kPick, "rec", {}};
}
Step Delete(int row) {
  return {Step::kDelete, "", {}, row};
}
Step Converted(int row) {
  return {Step::kConverted, "", {}, row};
}

struct SelectionCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<Row> rows;
};

void PrintTo(const SelectionCase& c, std::ostream* os) {
  *os << c.name;
}

class SelectionRules : public FileSelectionTest,
                       public testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionRules, RowsFollowTheDuplicateRule) {
  ASSERT_TRUE(dlg_->Create());
  for (const Step& step : GetParam().steps) {
    switch (step.kind) {
      case Step::kPick:
        Pick(step.folder, step.names);
        break;
      case Step::kDelete:
        dlg_->FileList().SetSelectedRow(step.row);
        dlg_->OnBnClickedDelete();
        break;
      case Step::kConverted:
        dlg_->FileList().SetItemText(step.row, 1, L"√");
        break;
    }
  }
  EXPECT_EQ(Rows(), GetParam().rows);
  EXPECT_TRUE(boxes_.boxes.empty());  // duplicates are skipped without a message
}

const std::wstring kNew = L"×";
const std::wstring kDone = L"√";

INSTANTIATE_TEST_SUITE_P(
    Table, SelectionRules,
    testing::Values(
        SelectionCase{"TwoFilesOfOneFolder",
                      {PickIn("rec", {"a.tqv", "b.tqv"})},
                      {{L"a.tqv", kNew, "rec/"}, {L"b.tqv", kNew, "rec/"}}},
        SelectionCase{"SameFileInTwoClicks",
                      {PickIn("rec", {"a.tqv"}), PickIn("rec", {"a.tqv"})},
                      {{L"a.tqv", kNew, "rec/"}}},
        SelectionCase{"SameNameInAnotherFolder",
                      {PickIn("rec", {"a.tqv"}), PickIn("other", {"a.tqv", "c.tqv"})},
                      {{L"a.tqv", kNew, "rec/"}, {L"c.tqv", kNew, "other/"}}},
        SelectionCase{"NamesThatDifferOnlyInCase",
                      {PickIn("rec", {"a.tqv"}), PickIn("other", {"A.TQV"})},
                      {{L"a.tqv", kNew, "rec/"}}},
        SelectionCase{"CaseTwinsInOnePick",
                      {PickIn("rec", {"A.TQV", "b.tqv", "a.tqv"})},
                      {{L"A.TQV", kNew, "rec/"}, {L"b.tqv", kNew, "rec/"}}},
        SelectionCase{"RemovedRowCanBeAddedAgain",
                      {PickIn("rec", {"a.tqv", "b.tqv"}), Delete(0), PickIn("other", {"a.tqv"})},
                      {{L"b.tqv", kNew, "rec/"}, {L"a.tqv", kNew, "other/"}}},
        SelectionCase{"ConvertedRowStillBlocksItsName",
                      {PickIn("rec", {"a.tqv"}), Converted(0), PickIn("other", {"A.TQV"})},
                      {{L"a.tqv", kDone, "rec/"}}},
        SelectionCase{
            "NewRowsLandAtTheEnd",
            {PickIn("rec", {"b.tqv"}), Converted(0), PickIn("other", {"c.tqv"}),
             PickIn("rec", {"a.tqv"})},
            {{L"b.tqv", kDone, "rec/"}, {L"c.tqv", kNew, "other/"}, {L"a.tqv", kNew, "rec/"}}},
        SelectionCase{
            "NameTypedWithoutExtension", {PickIn("rec", {"clip"})}, {{L"clip.tqv", kNew, "rec/"}}},
        SelectionCase{
            "CancelAddsNothing", {PickIn("rec", {"a.tqv"}), Cancel()}, {{L"a.tqv", kNew, "rec/"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileSelectionTest, PathsLongerThanThePlatformLimitWork) {
  std::string deep = "rec";
  while (deep.size() < 300) deep += "/一个很长的文件夹名称_abcdefghij";
  const std::string name = std::string(120, 'x') + ".tqv";
  MakeFile(QString::fromStdString(deep + "/" + name));
  ASSERT_TRUE(dlg_->Create());
  Pick(deep, {QString::fromStdString(name)});
  const std::vector<Row> rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, QString::fromStdString(name).toStdWString());
  EXPECT_EQ(rows[0].folder, deep + "/");
  EXPECT_GT(dlg_->GetItemFolder(0).size() + rows[0].name.size(), 260u);
}

// ---- Drops --------------------------------------------------------------------------------

struct DropOutcome {
  bool enterAccepted = false;
  bool dropAccepted = false;
};

DropOutcome DropOnto(CRecMorphDlg& dlg, const QStringList& paths) {
  QWidget* target = qobject_cast<QAbstractScrollArea*>(dlg.FileList().GetSafeHwnd())->viewport();
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return {enter.isAccepted(), drop.isAccepted()};
}

TEST_F(FileSelectionTest, DroppedRecordingsFollowTheSameRule) {
  ASSERT_TRUE(dlg_->Create());
  Pick("rec", {"b.tqv"});
  // A duplicate of a listed name, a text file, a missing file, and a folder that brings its own
  // *.tqv files (in name order, the case twin of an earlier name skipped).
  const DropOutcome r =
      DropOnto(*dlg_, {Folder("rec/a.tqv"), Folder("other/b.tqv"), Folder("rec/notes.txt"),
                       Folder("rec/missing.tqv"), Folder("rec/b.tqv"), Folder("other")});
  EXPECT_TRUE(r.enterAccepted);
  EXPECT_TRUE(r.dropAccepted);
  const std::vector<Row> expected{
      {L"b.tqv", kNew, "rec/"}, {L"a.tqv", kNew, "rec/"}, {L"c.tqv", kNew, "other/"}};
  EXPECT_EQ(Rows(), expected);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(FileSelectionTest, DropsAreRefusedWhileABatchRuns) {
  ASSERT_TRUE(dlg_->Create());
  dlg_->EnableBatchButtons(false);  // what the batch worker does first
  const DropOutcome busy = DropOnto(*dlg_, {Folder("rec/a.tqv")});
  EXPECT_FALSE(busy.enterAccepted);
  EXPECT_FALSE(busy.dropAccepted);
  EXPECT_TRUE(Rows().empty());
  dlg_->EnableBatchButtons(true);  // and last
  EXPECT_TRUE(DropOnto(*dlg_, {Folder("rec/a.tqv")}).dropAccepted);
  EXPECT_EQ(Rows(), (std::vector<Row>{{L"a.tqv", kNew, "rec/"}}));
}

TEST_F(FileSelectionTest, InitialPathsAreListedWhenTheWindowComesUp) {
  const QString a = Folder("rec/a.tqv");
  const QString twin = Folder("other/A.TQV");
  const QString c = Folder("other/c.tqv");
  dlg_->SetInitialPaths({a.toStdWString(), twin.toStdWString(), c.toStdWString()});
  ASSERT_TRUE(dlg_->Create());
  EXPECT_EQ(Rows(), (std::vector<Row>{{L"a.tqv", kNew, "rec/"}, {L"c.tqv", kNew, "other/"}}));
}

}  // namespace
