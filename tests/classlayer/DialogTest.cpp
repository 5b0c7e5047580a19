// CDialog: template geometry in dialog units, the message map, posting and cross-thread calls
// (order, dropped payloads, teardown without deadlock), data exchange and the system menu.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <atomic>
#include <thread>
#include <vector>

#include "classlayer/DataExchange.h"
#include "classlayer/Dialog.h"
#include "classlayer/MessageBox.h"
#include "tests/MessageBoxRecorder.h"

namespace {

constexpr int IDC_GO = 10;
constexpr int IDC_LOG = 11;
constexpr int IDC_NUMBER = 12;
constexpr int IDC_ROWS = 13;
constexpr UINT WM_TEST = WM_USER + 7;

CDialogTemplate TestTemplate(DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME) {
  return CDialogTemplate{
      200,
      L"测试",
      200,
      120,
      L"MS Shell Dlg",
      9,
      style,
      0,
      {
          {IDC_GO, ControlKind::PushButton, L"转码", WS_TABSTOP, 10, 10, 50, 14},
          {IDC_LOG, ControlKind::ListBox, L"", WS_BORDER | LBS_NOTIFY, 10, 30, 100, 40},
          {IDC_NUMBER, ControlKind::Edit, L"", WS_BORDER | WS_TABSTOP, 120, 30, 50, 12},
          {IDC_ROWS, ControlKind::ListView, L"", WS_BORDER | LVS_REPORT | LVS_SINGLESEL, 10, 75,
           180, 40},
          {IDC_STATIC, ControlKind::StaticText, L"总内存:", 0, 120, 50, 24, 8},
      }};
}

class CTestDlg : public CDialog {
 public:
  explicit CTestDlg(const CDialogTemplate& t = TestTemplate()) : CDialog(t) {}
  ~CTestDlg() override { DestroyWindow(); }

  std::vector<WPARAM> posted;
  int clicks = 0;
  int destroys = 0;
  std::uint64_t number = 0;
  std::function<void()> onDestroy;

  void OnGo() { ++clicks; }
  LRESULT OnTest(WPARAM w, LPARAM) {
    posted.push_back(w);
    return 0;
  }
  void OnDestroy() {
    CDialog::OnDestroy();
    ++destroys;
    if (onDestroy) onDestroy();
  }

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_NUMBER, number); }
  const CMessageMap* GetMessageMap() const override {
    static const CMessageMap map{
        CDialog::GetMessageMap(),
        {MapCommand(BN_CLICKED, IDC_GO, &CTestDlg::OnGo), MapMessage(WM_TEST, &CTestDlg::OnTest),
         MapVoid(WM_DESTROY, &CTestDlg::OnDestroy)}};
    return &map;
  }
};

void Pump() {
  QCoreApplication::sendPostedEvents();
}

}  // namespace

TEST(DialogUnitsTest, MapsThroughTheBaseUnitsWithRounding) {
  struct Case {
    CDialogBaseUnits units;
    int x, y, cx, cy;
    QRect expected;
  };
  const Case cases[] = {
      {{6, 13}, 0, 0, 419, 252, QRect(0, 0, 629, 410)},  // 628.5 and 409.5 round up
      {{6, 13}, 7, 149, 405, 96, QRect(11, 242, 608, 156)},
      {{7, 17}, 280, 7, 50, 14, QRect(490, 15, 88, 30)},
      {{8, 16}, 1, 1, 2, 3, QRect(2, 2, 4, 6)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MapDialogRect(c.units, c.x, c.y, c.cx, c.cy), c.expected)
        << c.units.cx << "x" << c.units.cy << " " << c.x << "," << c.y;
  }
}

TEST(DialogTest, BuildsEveryControlAtItsTemplateGeometryInTemplateOrder) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.Create());
  const CDialogBaseUnits units = dlg.GetBaseUnits();
  EXPECT_GT(units.cx, 1);
  EXPECT_GT(units.cy, 1);
  EXPECT_EQ(dlg.GetSafeHwnd()->size(), MapDialogRect(units, 0, 0, 200, 120).size());
  EXPECT_EQ(dlg.GetSafeHwnd()->windowTitle(), QStringLiteral("测试"));
  const auto& controls = dlg.GetControls();
  const auto& tpl = dlg.GetTemplate().controls;
  ASSERT_EQ(controls.size(), tpl.size());
  for (std::size_t i = 0; i < tpl.size(); ++i) {
    EXPECT_EQ(controls[i]->geometry(),
              MapDialogRect(units, tpl[i].x, tpl[i].y, tpl[i].cx, tpl[i].cy))
        << "control " << i;
  }
  EXPECT_EQ(dlg.GetDlgItem(IDC_GO).GetWindowText(), L"转码");
  EXPECT_FALSE(dlg.GetDlgItem(999).IsAttached());
}

TEST(DialogTest, RoutesClicksThroughTheMapAndEndsWithCancelByDefault) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.Create());
  static_cast<QPushButton*>(dlg.GetDlgItem(IDC_GO).GetSafeHwnd())->click();
  EXPECT_EQ(dlg.clicks, 1);
  // A disabled button cannot be clicked.
  dlg.GetDlgItem(IDC_GO).EnableWindow(false);
  static_cast<QPushButton*>(dlg.GetDlgItem(IDC_GO).GetSafeHwnd())->click();
  EXPECT_EQ(dlg.clicks, 1);
  // Escape, unmapped, ends the dialog as Cancel.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(dlg.GetSafeHwnd(), &escape);
  EXPECT_EQ(dlg.GetResult(), IDCANCEL);
}

TEST(DialogTest, EnterOutsideAButtonEndsAsOkOnlyWhenTheEditsRead) {
  MessageBoxRecorder recorder;
  CTestDlg dlg;
  ASSERT_TRUE(dlg.Create());
  auto* edit = static_cast<QLineEdit*>(dlg.GetDlgItem(IDC_NUMBER).GetSafeHwnd());
  edit->setText(QStringLiteral("-5"));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(dlg.GetSafeHwnd(), &enter);
  EXPECT_EQ(dlg.GetResult(), -1);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, L"请输入一个正整数。");
  edit->setText(QStringLiteral(" 5000 "));
  QCoreApplication::sendEvent(dlg.GetSafeHwnd(), &enter);
  EXPECT_EQ(dlg.GetResult(), IDOK);
  EXPECT_EQ(dlg.number, 5000u);
}

TEST(DataExchangeTest, ParsesUnsigned64AsDecimalOnly) {
  struct Case {
    const wchar_t* text;
    bool ok;
    std::uint64_t value;
  };
  const Case cases[] = {
      {L"0", true, 0},
      {L"8192", true, 8192},
      {L"  42\t", true, 42},
      {L"18446744073709551615", true, 18446744073709551615ull},
      {L"18446744073709551616", false, 0},
      {L"", false, 0},
      {L"   ", false, 0},
      {L"-1", false, 0},
      {L"+1", false, 0},
      {L"12a", false, 0},
      {L"1 2", false, 0},
      {L"０", false, 0},  // a full-width digit is no digit here
  };
  for (const Case& c : cases) {
    std::uint64_t value = 7;
    EXPECT_EQ(ParseUnsigned64(c.text, &value), c.ok) << "text " << testing::PrintToString(c.text);
    EXPECT_EQ(value, c.ok ? c.value : 7u);
  }
}

TEST(DialogTest, UpdateDataWritesTheNumbersIntoTheEdits) {
  CTestDlg dlg;
  dlg.number = 4294967296ull * 3;
  ASSERT_TRUE(dlg.Create());  // OnInitDialog writes the members out
  EXPECT_EQ(dlg.GetDlgItem(IDC_NUMBER).GetWindowText(), L"12884901888");
}

TEST(DialogTest, PostedMessagesKeepTheirOrderFromAnyThread) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.Create());
  dlg.PostMessage(WM_TEST, 0);
  std::thread poster([&] {
    for (WPARAM i = 1; i <= 2000; ++i) dlg.PostMessage(WM_TEST, i);
  });
  poster.join();
  dlg.PostMessage(WM_TEST, 2001);
  Pump();
  ASSERT_EQ(dlg.posted.size(), 2002u);
  for (WPARAM i = 0; i < dlg.posted.size(); ++i) ASSERT_EQ(dlg.posted[i], i);
}

TEST(DialogTest, AMessageThatCannotBeHandledIsDroppedThroughItsDropFunction) {
  int drops = 0;
  CTestDlg dlg;
  EXPECT_FALSE(dlg.PostMessage(WM_TEST, 1, 0, [&] { ++drops; }));  // no window yet
  EXPECT_EQ(drops, 1);
  ASSERT_TRUE(dlg.Create());
  EXPECT_TRUE(dlg.PostMessage(WM_TEST, 2, 0, [&] { ++drops; }));
  Pump();
  EXPECT_EQ(drops, 1);  // handled: the handler owned the payload
  EXPECT_TRUE(dlg.PostMessage(WM_TEST, 3, 0, [&] { ++drops; }));
  dlg.DestroyWindow();  // still queued: dropped with the window
  EXPECT_EQ(drops, 2);
  EXPECT_EQ(dlg.destroys, 1);
  EXPECT_FALSE(dlg.PostMessage(WM_TEST, 4, 0, [&] { ++drops; }));
  EXPECT_EQ(drops, 3);
  EXPECT_EQ(dlg.posted, std::vector<WPARAM>{2});
}

TEST(DialogTest, CallOnGuiThreadRunsQueuedBehindEarlierPosts) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.Create());
  std::atomic<bool> finished{false};
  std::size_t seenByCall = 0;
  bool ran = false;
  std::thread worker([&] {
    dlg.PostMessage(WM_TEST, 1);
    dlg.PostMessage(WM_TEST, 2);
    ran = dlg.CallOnGuiThread([&] { seenByCall = dlg.posted.size(); });
    finished = true;
  });
  while (!finished) {
    Pump();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_TRUE(ran);
  EXPECT_EQ(seenByCall, 2u);
  // On the GUI thread the call runs at once.
  EXPECT_TRUE(dlg.CallOnGuiThread([&] { seenByCall = 99; }));
  EXPECT_EQ(seenByCall, 99u);
}

TEST(DialogTest, TeardownReleasesACallerSoThatOnDestroyCanJoinIt) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.Create());
  std::atomic<bool> waiting{false};
  bool callRan = false;
  bool answered = true;
  std::thread worker([&] {
    waiting = true;
    answered = dlg.CallOnGuiThread([&] { callRan = true; });
    // After teardown began, further calls are refused at once.
    EXPECT_FALSE(dlg.CallOnGuiThread([&] { callRan = true; }));
  });
  while (!waiting) std::this_thread::yield();
  // The GUI thread does not serve the call; its OnDestroy waits for the worker instead.
  dlg.onDestroy = [&] { worker.join(); };
  dlg.DestroyWindow();
  EXPECT_FALSE(answered);
  EXPECT_FALSE(callRan);
  EXPECT_EQ(dlg.destroys, 1);
}

TEST(DialogTest, TheSystemMenuStandsInTheContextMenuAndSendsSysCommands) {
  CTestDlg plain(TestTemplate(WS_POPUP | WS_CAPTION));
  ASSERT_TRUE(plain.Create());
  EXPECT_EQ(plain.GetSystemMenu(false), nullptr);

  CTestDlg dlg;
  ASSERT_TRUE(dlg.Create());
  CMenu* menu = dlg.GetSystemMenu(false);
  ASSERT_NE(menu, nullptr);
  // The usual window commands come first.
  ASSERT_EQ(menu->GetMenuItemCount(), 2);
  EXPECT_EQ(menu->Items()[0].id, static_cast<UINT_PTR>(SC_MOVE));
  EXPECT_EQ(menu->Items()[1].id, static_cast<UINT_PTR>(SC_CLOSE));
  menu->AppendMenu(MF_SEPARATOR);
  menu->AppendMenu(MF_STRING, 0x0010, L"关于 RecMorph(&A)...");
  ASSERT_EQ(menu->GetMenuItemCount(), 4);
  EXPECT_EQ(menu->Items()[3].text, L"关于 RecMorph(&A)...");
  EXPECT_EQ(dlg.GetSystemMenu(true)->GetMenuItemCount(), 2);
  // SC_CLOSE, unmapped, ends the dialog as Cancel.
  dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(dlg.GetResult(), IDCANCEL);
}

TEST(DialogTest, TimersDeliverWmTimerWithTheirId) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.Create());
  EXPECT_EQ(dlg.SetTimer(1, 2000), 1u);
  EXPECT_TRUE(dlg.KillTimer(1));
  EXPECT_FALSE(dlg.KillTimer(1));
  dlg.DestroyWindow();
  EXPECT_EQ(dlg.SetTimer(1, 2000), 0u);
}
