// Drops of files onto a control: WM_DROPFILES with the local files, refusal through the accept
// callback, drags without local files, and switching drops off.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <string>
#include <vector>

#include "classlayer/Dialog.h"
#include "classlayer/DropFiles.h"
#include "classlayer/ListCtrl.h"

namespace {

constexpr int IDC_ROWS = 20;

CDialogTemplate DropTemplate() {
  return CDialogTemplate{
      300,
      L"拖放",
      200,
      100,
      L"MS Shell Dlg",
      9,
      WS_POPUP | WS_CAPTION,
      0,
      {{IDC_ROWS, ControlKind::ListView, L"", WS_BORDER | LVS_REPORT, 5, 5, 190, 90}}};
}

class CDropDlg : public CDialog {
 public:
  CDropDlg() : CDialog(DropTemplate()) {}
  ~CDropDlg() override { DestroyWindow(); }

  LRESULT OnDropFiles(WPARAM wParam, LPARAM) {
    auto drop = reinterpret_cast<HDROP>(wParam);
    std::vector<std::wstring> paths;
    const UINT n = DragQueryFile(drop, 0xFFFFFFFFu, nullptr);
    for (UINT i = 0; i < n; ++i) {
      std::wstring path;
      const UINT length = DragQueryFile(drop, i, &path);
      EXPECT_EQ(length, path.size());
      paths.push_back(path);
    }
    EXPECT_EQ(DragQueryFile(drop, n, nullptr), 0u);
    DragFinish(drop);
    drops.push_back(paths);
    return 0;
  }

  bool welcome = true;
  std::vector<std::vector<std::wstring>> drops;
  CListCtrl rows;

 protected:
  bool OnInitDialog() override {
    AttachControl(IDC_ROWS, rows);
    DragAcceptFiles(*this, rows, true, [this] { return welcome; });
    return true;
  }
  const CMessageMap* GetMessageMap() const override {
    static const CMessageMap map{CDialog::GetMessageMap(),
                                 {MapMessage(WM_DROPFILES, &CDropDlg::OnDropFiles)}};
    return &map;
  }
};

struct DragResult {
  bool enterAccepted;
  bool dropAccepted;
};

DragResult DragOnto(QWidget* control, const QList<QUrl>& urls) {
  QWidget* target = qobject_cast<QAbstractScrollArea*>(control)->viewport();
  QMimeData data;
  data.setUrls(urls);
  const QPoint at(10, 10);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return {enter.isAccepted(), drop.isAccepted()};
}

TEST(DropFiles, DropSendsItsLocalFilesInOrder) {
  CDropDlg dlg;
  ASSERT_TRUE(dlg.Create());
  const DragResult r = DragOnto(
      dlg.rows.GetSafeHwnd(), {QUrl::fromLocalFile("/rec/b.tqv"), QUrl("https://example.org/x.tqv"),
                               QUrl::fromLocalFile("/rec/视频 a.tqv")});
  EXPECT_TRUE(r.enterAccepted);
  EXPECT_TRUE(r.dropAccepted);
  ASSERT_EQ(dlg.drops.size(), 1u);
  EXPECT_EQ(dlg.drops[0], (std::vector<std::wstring>{L"/rec/b.tqv", L"/rec/视频 a.tqv"}));
}

TEST(DropFiles, RefusedDragsSendNothing) {
  CDropDlg dlg;
  ASSERT_TRUE(dlg.Create());
  EXPECT_FALSE(DragOnto(dlg.rows.GetSafeHwnd(), {QUrl("https://example.org/x.tqv")}).enterAccepted);
  dlg.welcome = false;  // busy
  const DragResult busy = DragOnto(dlg.rows.GetSafeHwnd(), {QUrl::fromLocalFile("/rec/a.tqv")});
  EXPECT_FALSE(busy.enterAccepted);
  EXPECT_FALSE(busy.dropAccepted);
  dlg.welcome = true;
  DragAcceptFiles(dlg, dlg.rows, false);
  EXPECT_FALSE(DragOnto(dlg.rows.GetSafeHwnd(), {QUrl::fromLocalFile("/rec/a.tqv")}).dropAccepted);
  EXPECT_TRUE(dlg.drops.empty());
}

}  // namespace
