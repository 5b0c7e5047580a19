// The list view and the list box: rows, columns, item data, selection; a detached handle.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTableWidget>

#include "classlayer/Dialog.h"
#include "classlayer/ListBox.h"
#include "classlayer/ListCtrl.h"

namespace {

CDialogTemplate ListsTemplate() {
  return CDialogTemplate{
      201,
      L"lists",
      200,
      200,
      L"MS Shell Dlg",
      9,
      WS_POPUP | WS_CAPTION,
      0,
      {{1, ControlKind::ListView, L"", WS_BORDER | LVS_REPORT | LVS_SINGLESEL, 0, 0, 200, 100},
       {2, ControlKind::ListBox, L"", WS_BORDER | LBS_NOTIFY, 0, 100, 200, 100}}};
}

class ListsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg.Create());
    dlg.AttachControl(1, rows);
    dlg.AttachControl(2, log);
    ASSERT_TRUE(rows.IsAttached());
    ASSERT_TRUE(log.IsAttached());
  }
  CDialog dlg{ListsTemplate()};
  CListCtrl rows;
  CListBox log;
};

}  // namespace

TEST_F(ListsTest, ColumnsCarryHeadingWidthAndAlignment) {
  rows.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  EXPECT_EQ(rows.InsertColumn(0, L"文件", LVCFMT_LEFT, 380), 0);
  EXPECT_EQ(rows.InsertColumn(1, L"完成情况", LVCFMT_CENTER, 88), 1);
  auto* table = static_cast<QTableWidget*>(rows.GetSafeHwnd());
  EXPECT_TRUE(table->showGrid());
  EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(table->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(rows.GetColumnWidth(0), 380);
  EXPECT_EQ(rows.GetColumnWidth(1), 88);
  EXPECT_EQ(rows.GetColumnHeading(1), L"完成情况");
  EXPECT_EQ(rows.GetColumnFormat(1), LVCFMT_CENTER);
  rows.InsertItem(0, L"a.tqv");
  rows.SetItemText(0, 1, L"×");
  EXPECT_TRUE(table->item(0, 1)->textAlignment() & Qt::AlignHCenter);
  EXPECT_TRUE(table->item(0, 0)->textAlignment() & Qt::AlignLeft);
}

TEST_F(ListsTest, RowsKeepInsertionOrderTextsAndData) {
  rows.InsertColumn(0, L"文件", LVCFMT_LEFT, 100);
  rows.InsertColumn(1, L"完成情况", LVCFMT_CENTER, 50);
  EXPECT_EQ(rows.InsertItem(0, L"b"), 0);
  EXPECT_EQ(rows.InsertItem(99, L"c"), 1);  // past the end: appended
  EXPECT_EQ(rows.InsertItem(0, L"a"), 0);
  EXPECT_EQ(rows.GetItemCount(), 3);
  EXPECT_EQ(rows.GetItemText(0, 0), L"a");
  EXPECT_EQ(rows.GetItemText(2, 0), L"c");
  EXPECT_EQ(rows.GetItemText(2, 1), L"");
  EXPECT_FALSE(rows.SetItemText(5, 1, L"x"));
  EXPECT_TRUE(rows.SetItemData(1, 0xDEADBEEFu));
  EXPECT_EQ(rows.GetItemData(1), 0xDEADBEEFu);
  EXPECT_EQ(rows.GetItemData(0), 0u);
  EXPECT_EQ(rows.GetNextItem(-1, LVNI_SELECTED), -1);
  rows.SetSelectedRow(2);
  EXPECT_EQ(rows.GetNextItem(-1, LVNI_SELECTED), 2);
  rows.SetSelectedRow(1);
  EXPECT_EQ(rows.GetNextItem(-1, LVNI_SELECTED), 1);  // one selected row at a time
  EXPECT_EQ(rows.GetNextItem(1, LVNI_SELECTED), -1);
  EXPECT_TRUE(rows.DeleteItem(1));
  EXPECT_EQ(rows.GetItemText(1, 0), L"c");
  EXPECT_TRUE(rows.DeleteAllItems());
  EXPECT_EQ(rows.GetItemCount(), 0);
}

TEST_F(ListsTest, ListBoxInsertsWhereToldAndGivesLongLinesWhole) {
  EXPECT_EQ(log.InsertString(0, L"A"), 0);
  EXPECT_EQ(log.InsertString(0, L"B"), 0);
  EXPECT_EQ(log.InsertString(-1, L"C"), 2);
  EXPECT_EQ(log.GetText(0), L"B");
  EXPECT_EQ(log.GetText(1), L"A");
  EXPECT_EQ(log.GetCurSel(), LB_ERR);
  const std::wstring longLine(5000, L'长');
  log.InsertString(0, longLine);
  EXPECT_EQ(log.SetCurSel(0), 0);
  EXPECT_EQ(log.GetCurSel(), 0);
  EXPECT_EQ(log.GetText(0), longLine);
  EXPECT_EQ(log.GetText(17), L"");
  auto* list = static_cast<QListWidget*>(log.GetSafeHwnd());
  EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(ListsTest, HandlesGoInertWhenTheWindowIsDestroyed) {
  rows.InsertColumn(0, L"文件", LVCFMT_LEFT, 100);
  rows.InsertItem(0, L"a");
  dlg.DestroyWindow();
  EXPECT_FALSE(rows.IsAttached());
  EXPECT_EQ(rows.GetItemCount(), 0);
  EXPECT_EQ(rows.InsertItem(0, L"b"), -1);
  EXPECT_EQ(log.InsertString(0, L"x"), LB_ERR);
  EXPECT_EQ(log.GetCurSel(), LB_ERR);
}
