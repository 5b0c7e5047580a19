// The About box: its template, and the menu entry of the main dialog that opens it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "res/resource.h"
#include "tests/MessageBoxRecorder.h"
#include "ui/AboutDlg.h"
#include "ui/RecMorphDlg.h"

namespace {

TEST(AboutDlgTest, FollowsItsTemplate) {
  CAboutDlg about;
  ASSERT_TRUE(about.Create());
  QWidget* window = about.GetSafeHwnd();
  EXPECT_EQ(window->windowTitle().toStdWString(), L"关于 RecMorph");
  const CDialogBaseUnits units = about.GetBaseUnits();
  EXPECT_EQ(window->size(), MapDialogRect(units, 0, 0, 170, 62).size());

  const std::vector<QWidget*>& controls = about.GetControls();
  ASSERT_EQ(controls.size(), 4u);
  auto* icon = qobject_cast<QLabel*>(controls[0]);
  ASSERT_NE(icon, nullptr);
  EXPECT_FALSE(icon->pixmap().isNull());
  EXPECT_EQ(icon->geometry(), MapDialogRect(units, 14, 14, 20, 20));
  auto* version = qobject_cast<QLabel*>(controls[1]);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->text().toStdWString(), L"RecMorph，3.1 版");
  EXPECT_EQ(version->geometry(), MapDialogRect(units, 42, 14, 114, 8));
  auto* line = qobject_cast<QLabel*>(controls[2]);
  ASSERT_NE(line, nullptr);
  EXPECT_FALSE(line->text().isEmpty());
  EXPECT_EQ(line->geometry(), MapDialogRect(units, 42, 26, 114, 8));
  // The texts fit their boxes: nothing is cut.
  for (QLabel* label : {version, line}) {
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
        << label->text().toStdString();
  }
  auto* ok = qobject_cast<QPushButton*>(controls[3]);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text().toStdWString(), L"确定");
  EXPECT_TRUE(ok->isDefault());
  EXPECT_EQ(ok->geometry(), MapDialogRect(units, 113, 41, 50, 14));

  ok->click();
  EXPECT_EQ(about.GetResult(), IDOK);
}

TEST(AboutDlgTest, TheLastMenuEntryOpensTheAboutBoxOverTheDialog) {
  MessageBoxRecorder boxes;
  CRecMorphDlg dlg(ConversionTiming::Real(), [](kernel::MemoryStatus&) { return false; });
  ASSERT_TRUE(dlg.Create());
  const CMenu* menu = dlg.GetSystemMenu(false);
  ASSERT_NE(menu, nullptr);
  ASSERT_GE(menu->GetMenuItemCount(), 2);
  const auto& items = menu->Items();
  EXPECT_EQ(items[items.size() - 2].flags, MF_SEPARATOR);
  EXPECT_EQ(items.back().id, static_cast<UINT_PTR>(IDM_ABOUTBOX));
  EXPECT_EQ(items.back().text, L"关于 RecMorph(&A)...");

  // Choosing it runs the About box modally over the main dialog, which keeps its rows.
  ASSERT_TRUE(dlg.AddRecordingPath(L"/rec/a.tqv"));
  QString caption;
  QWidget* owner = nullptr;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    caption = modal->windowTitle();
    owner = modal->parentWidget();
    modal->findChild<QPushButton*>()->click();
  });
  dlg.SendMessage(WM_SYSCOMMAND, items.back().id, 0);
  EXPECT_EQ(caption.toStdWString(), L"关于 RecMorph");
  EXPECT_EQ(owner, dlg.GetSafeHwnd());
  EXPECT_EQ(dlg.FileList().GetItemCount(), 1);
  EXPECT_EQ(dlg.GetResult(), -1);  // the main dialog goes on

  // The other window commands keep their default behaviour: 关闭 ends the dialog as Cancel.
  dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(dlg.GetResult(), IDCANCEL);
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
