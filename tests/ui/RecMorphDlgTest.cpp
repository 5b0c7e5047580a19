// CRecMorphDlg without a batch: the template, the handlers, the log order, the status matching,
// delete and clear, the double-click, the memory panel and the rule that keeps a final status.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <memory>

#include "res/resource.h"
#include "tests/MessageBoxRecorder.h"
#include "ui/RecMorphDlg.h"

namespace {

class RecMorphDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    dlg = std::make_unique<CRecMorphDlg>(ConversionTiming::Real(),
                                         [this](kernel::MemoryStatus& status) {
                                           ++memoryReads;
                                           if (!memoryOk) return false;
                                           status = memory;
                                           return true;
                                         });
    ASSERT_TRUE(dlg->Create());
  }
  void TearDown() override { dlg.reset(); }

  void AddRows(std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names)
      ASSERT_TRUE(dlg->AddRecordingPath(std::wstring(L"/rec/") + name));
  }
  std::wstring Status(int row) { return dlg->FileList().GetItemText(row, 1); }
  void PostStatus(const wchar_t* name, const wchar_t* status) {
    dlg->PostItemStatus(SysAllocString(name), SysAllocString(status));
    QCoreApplication::sendPostedEvents();
  }
  std::wstring Edit(int id) { return dlg->GetDlgItem(id).GetWindowText(); }

  MessageBoxRecorder boxes;
  kernel::MemoryStatus memory{8ull << 30, 3ull << 30, 62};  // 8 GiB, 3 GiB available, 62 % load
  bool memoryOk = true;
  int memoryReads = 0;
  std::unique_ptr<CRecMorphDlg> dlg;
};

}  // namespace

TEST_F(RecMorphDlgTest, TheTemplateHasItsCaptionControlsTextsAndColumns) {
  QWidget* window = dlg->GetSafeHwnd();
  EXPECT_EQ(window->windowTitle().toStdWString(), L"视频归档助手V3.1-20171110");
  struct Expected {
    int id;
    const char* kind;
    const wchar_t* text;
  };
  // Template order, which is also the tab order.
  const Expected expected[] = {
      {IDC_LIST_LOG, "QListWidget", L""},
      {IDC_BTN_SELECT, "QPushButton", L"选择文件"},
      {IDC_BTN_CONVERT, "QPushButton", L"转码"},
      {IDC_LIST_FILES, "QTableWidget", L""},
      {IDC_BTN_DELETE, "QPushButton", L"删除"},
      {IDC_BTN_CLEAR, "QPushButton", L"清空"},
      {-1, "QGroupBox", L"系统内存信息"},
      {-1, "QLabel", L"总内存:"},
      {-1, "QLabel", L"可用内存:"},
      {-1, "QLabel", L"空闲内存:"},
      {IDC_EDIT_AVAIL_MEM, "QLineEdit", L""},
      {IDC_EDIT_TOTAL_MEM, "QLineEdit", L""},
      {IDC_EDIT_FREE_MEM, "QLineEdit", L""},
      {-1, "QLabel", L"(MB)"},
      {-1, "QLabel", L"(MB)"},
      {-1, "QLabel", L"(%)"},
  };
  const auto& controls = dlg->GetControls();
  ASSERT_EQ(controls.size(), std::size(expected));
  const CDialogBaseUnits units = dlg->GetBaseUnits();
  const auto& tpl = dlg->GetTemplate();
  EXPECT_EQ(window->size(), MapDialogRect(units, 0, 0, 419, 252).size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    EXPECT_STREQ(controls[i]->metaObject()->className(), expected[i].kind) << i;
    EXPECT_EQ(tpl.controls[i].id, expected[i].id) << i;
    EXPECT_EQ(tpl.controls[i].text, expected[i].text) << i;
    const auto& c = tpl.controls[i];
    EXPECT_EQ(controls[i]->geometry(), MapDialogRect(units, c.x, c.y, c.cx, c.cy)) << i;
    if (auto* button = qobject_cast<QPushButton*>(controls[i])) {
      EXPECT_EQ(button->text().toStdWString(), expected[i].text);
    } else if (auto* label = qobject_cast<QLabel*>(controls[i])) {
      EXPECT_EQ(label->text().toStdWString(), expected[i].text);
    } else if (auto* group = qobject_cast<QGroupBox*>(controls[i])) {
      EXPECT_EQ(group->title().toStdWString(), expected[i].text);
    }
  }
  CListCtrl& files = dlg->FileList();
  EXPECT_EQ(files.GetExtendedStyle(), 0x21u);
  ASSERT_EQ(files.GetColumnCount(), 2);
  EXPECT_EQ(files.GetColumnHeading(0), L"文件");
  EXPECT_EQ(files.GetColumnWidth(0), 380);
  EXPECT_EQ(files.GetColumnFormat(0), LVCFMT_LEFT);
  EXPECT_EQ(files.GetColumnHeading(1), L"完成情况");
  EXPECT_EQ(files.GetColumnWidth(1), 88);
  EXPECT_EQ(files.GetColumnFormat(1), LVCFMT_CENTER);
  auto* table = static_cast<QTableWidget*>(files.GetSafeHwnd());
  EXPECT_EQ(table->selectionMode(), QAbstractItemView::SingleSelection);
  // The system menu: the window commands, then a separator and the About item.
  CMenu* menu = dlg->GetSystemMenu(false);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->GetMenuItemCount(), 4);
  EXPECT_EQ(menu->Items()[0].id, static_cast<UINT_PTR>(SC_MOVE));
  EXPECT_EQ(menu->Items()[1].id, static_cast<UINT_PTR>(SC_CLOSE));
  EXPECT_EQ(menu->Items()[2].flags, MF_SEPARATOR);
  EXPECT_EQ(menu->Items()[3].id, static_cast<UINT_PTR>(IDM_ABOUTBOX));
  EXPECT_EQ(menu->Items()[3].text, L"关于 RecMorph(&A)...");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(RecMorphDlgTest, AddsAPathOnceByNameWithItsFolderAndTheNotConvertedMark) {
  EXPECT_TRUE(dlg->AddRecordingPath(L"/rec/day 1/a.tqv"));
  EXPECT_TRUE(dlg->AddRecordingPath(L"/other/b.tqv"));
  EXPECT_FALSE(dlg->AddRecordingPath(L"/other/A.TQV"));  // same name, another folder and case
  EXPECT_FALSE(dlg->AddRecordingPath(L"/rec/day 1/a.tqv"));
  EXPECT_FALSE(dlg->AddRecordingPath(L"/rec/"));
  CListCtrl& files = dlg->FileList();
  ASSERT_EQ(files.GetItemCount(), 2);
  EXPECT_EQ(files.GetItemText(0, 0), L"a.tqv");
  EXPECT_EQ(files.GetItemText(0, 1), L"×");
  EXPECT_EQ(dlg->GetItemFolder(0), L"/rec/day 1/");
  EXPECT_EQ(dlg->GetItemFolder(1), L"/other/");
  // Deleted, it can be added again, at the end.
  files.SetSelectedRow(0);
  dlg->OnBnClickedDelete();
  EXPECT_TRUE(dlg->AddRecordingPath(L"/other/A.TQV"));
  EXPECT_EQ(files.GetItemText(1, 0), L"A.TQV");
}

TEST_F(RecMorphDlgTest, LogLinesStandNewestOnTop) {
  dlg->PostLogLine(SysAllocString(L"A"));
  dlg->PostLogLine(SysAllocString(L"B"));
  QCoreApplication::sendPostedEvents();
  ASSERT_EQ(dlg->LogList().GetCount(), 2);
  EXPECT_EQ(dlg->LogList().GetText(0), L"B");
  EXPECT_EQ(dlg->LogList().GetText(1), L"A");
}

TEST_F(RecMorphDlgTest, AStatusGoesToTheFirstRowWhoseKeyMatches) {
  struct Case {
    std::vector<const wchar_t*> rows;
    const wchar_t* posted;
    int changed;  // the row that shows the status, or -1
  };
  const Case cases[] = {
      {{L"Clip01.TQV"}, L"clip01", 0},
      {{L"x.tqv", L"Clip01.TQV"}, L"CLIP01", 1},
      {{L"a.tqv.tqv"}, L"a", 0},
      {{L"a.tqv.tqv"}, L"a.tqv", -1},
      {{L"noext"}, L"", 0},
      {{L"noext"}, L"noext", -1},
      {{L".tqv"}, L"", 0},
      {{L"clip01.tqv", L"CLIP01.tqv.old"}, L"clip01", 0},
      {{L"x.tqv"}, L"y", -1},
  };
  for (const Case& c : cases) {
    dlg->ClearFileList();
    for (const wchar_t* row : c.rows)
      ASSERT_TRUE(dlg->AddRecordingPath(std::wstring(L"/r/") + row));
    PostStatus(c.posted, L"42");
    for (int row = 0; row < static_cast<int>(c.rows.size()); ++row) {
      EXPECT_EQ(Status(row), row == c.changed ? L"42" : L"×")
          << "posted '" << testing::PrintToString(c.posted) << "' row " << row;
    }
  }
  // A null name counts as empty.
  dlg->ClearFileList();
  AddRows({L"noext"});
  dlg->PostItemStatus(nullptr, SysAllocString(L"7"));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Status(0), L"7");
}

TEST_F(RecMorphDlgTest, AFinishedRowKeepsItsStatusAgainstLateMessages) {
  AddRows({L"a.tqv", L"b.tqv"});
  dlg->BeginRow(0);
  PostStatus(L"a", L"50");
  PostStatus(L"b", L"--->");  // not the row being converted
  EXPECT_EQ(Status(0), L"50");
  EXPECT_EQ(Status(1), L"×");
  // Messages posted before the row finished but handled after it stay without effect.
  dlg->PostItemStatus(SysAllocString(L"a"), SysAllocString(L"99"));
  dlg->FinishRow(0, L"√");
  dlg->PostItemStatus(SysAllocString(L"a"), SysAllocString(L"-->"));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Status(0), L"√");
  dlg->BeginRow(1);
  PostStatus(L"b", L"10");
  PostStatus(L"a", L"->");
  EXPECT_EQ(Status(0), L"√");
  EXPECT_EQ(Status(1), L"10");
}

TEST_F(RecMorphDlgTest, DeleteTakesTheSelectedRowElseTheFirst) {
  dlg->OnBnClickedDelete();  // empty list: nothing happens
  dlg->OnBnClickedClear();
  AddRows({L"a.tqv", L"b.tqv", L"c.tqv"});
  CListCtrl& files = dlg->FileList();
  files.SetSelectedRow(1);
  dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_DELETE, BN_CLICKED), 0);
  ASSERT_EQ(files.GetItemCount(), 2);
  EXPECT_EQ(files.GetItemText(0, 0), L"a.tqv");
  EXPECT_EQ(files.GetItemText(1, 0), L"c.tqv");
  files.SetSelectedRow(-1);
  dlg->OnBnClickedDelete();
  ASSERT_EQ(files.GetItemCount(), 1);
  EXPECT_EQ(files.GetItemText(0, 0), L"c.tqv");
  // The index follows: statuses for c still reach it, and a can be added again.
  PostStatus(L"c", L"5");
  EXPECT_EQ(Status(0), L"5");
  EXPECT_TRUE(dlg->AddRecordingPath(L"/rec/a.tqv"));
  dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_CLEAR, BN_CLICKED), 0);
  EXPECT_EQ(files.GetItemCount(), 0);
  EXPECT_TRUE(dlg->AddRecordingPath(L"/rec/c.tqv"));
}

TEST_F(RecMorphDlgTest, DoubleClickShowsTheWholeSelectedLine) {
  dlg->OnLbnDblclkLog();  // no line selected: nothing
  EXPECT_TRUE(boxes.boxes.empty());
  const std::wstring longLine = L"2026-12-11 10:00:00.0001" + std::wstring(400, L'错');
  dlg->PostLogLine(SysAllocString(longLine));
  dlg->PostLogLine(SysAllocString(L"short"));
  QCoreApplication::sendPostedEvents();
  dlg->LogList().SetCurSel(1);
  dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_LIST_LOG, LBN_DBLCLK), 0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, longLine);
  EXPECT_EQ(boxes.boxes[0].caption, L"提示");
  EXPECT_EQ(boxes.boxes[0].type, MB_OK);
}

TEST_F(RecMorphDlgTest, TheMemoryPanelShowsMegabytesAboveFourGigabytesAndKeepsThemOnFailure) {
  EXPECT_EQ(memoryReads, 1);  // the first refresh, in OnInitDialog
  EXPECT_EQ(Edit(IDC_EDIT_TOTAL_MEM), L"8192");
  EXPECT_EQ(Edit(IDC_EDIT_AVAIL_MEM), L"3072");
  EXPECT_EQ(Edit(IDC_EDIT_FREE_MEM), L"38");
  memory = {(16ull << 30) + 12345, (5ull << 30) + (1ull << 19), 70};
  dlg->SendMessage(WM_TIMER, 1, 0);
  EXPECT_EQ(Edit(IDC_EDIT_TOTAL_MEM), L"16384");
  EXPECT_EQ(Edit(IDC_EDIT_AVAIL_MEM), L"5120");  // the fraction is dropped
  EXPECT_EQ(Edit(IDC_EDIT_FREE_MEM), L"30");
  memoryOk = false;
  dlg->SendMessage(WM_TIMER, 1, 0);
  EXPECT_EQ(memoryReads, 3);
  EXPECT_EQ(Edit(IDC_EDIT_TOTAL_MEM), L"16384");
  EXPECT_EQ(Edit(IDC_EDIT_FREE_MEM), L"30");
  EXPECT_EQ(dlg->TotalMemMB(), 16384u);
}
