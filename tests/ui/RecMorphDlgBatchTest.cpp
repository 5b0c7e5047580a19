// CRecMorphDlg with the engine and stand-in converters: a batch from a click, one batch at a
// time, closing during a batch, and the pipe-failure path.
#include <gtest/gtest.h>

#include <signal.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "res/resource.h"
#include "tests/MessageBoxRecorder.h"
#include "ui/RecMorphDlg.h"

namespace fs = std::filesystem;

namespace {

// The stand-in companion converter: the recording's content says what it does.
// clang-format off
constexpr const char* kStandInClipRemuxer = R"SH(#!/bin/sh
name=$(basename "$1"); name=${name%.tqv}
what=$(cat "$1")
case "$what" in
  ok)
    printf '@@[cv]+%s>##<x Progress:100\r\n' "$name"
    printf 'RIFF' > "$2"
    exit 0 ;;
  hang)
    # Renamed into place, so that the file appears with its number already in it.
    echo $$ > "$1.pid.part" && mv "$1.pid.part" "$1.pid"
    exec sleep 1000 ;;
esac
exit 1
)SH";
// clang-format on

ConversionTiming FastTiming() {
  // The real clock with a quick watchdog that looks for an ended converter from the start.
  ConversionTiming timing = ConversionTiming::Real();
  timing.watchdogPeriod = std::chrono::milliseconds(20);
  timing.exitCheckAfterSeconds = -1;
  return timing;
}

class CFailingPipeDlg : public CRecMorphDlg {
 public:
  using CRecMorphDlg::CRecMorphDlg;

 protected:
  bool OpenConversionContext() override { return false; }
};

class RecMorphDlgBatchTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/recmorph-ui-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    std::ofstream(dir / "ClipRemuxer") << kStandInClipRemuxer;
    fs::permissions(dir / "ClipRemuxer", fs::perms::owner_all, fs::perm_options::add);
    dlg = std::make_unique<CRecMorphDlg>(FastTiming(), [](kernel::MemoryStatus& s) {
      s = {1ull << 30, 1ull << 29, 50};
      return true;
    });
    dlg->SetToolFolder(dir.wstring());
    ASSERT_TRUE(dlg->Create());
  }
  void TearDown() override {
    dlg.reset();
    fs::remove_all(dir);
  }
  void Recording(const std::string& name, const std::string& content) {
    std::ofstream(dir / name) << content;
    ASSERT_TRUE(dlg->AddRecordingPath((dir / name).wstring()));
  }
  void Click(int id) { dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  // Serves the dialog's events until done() holds.
  void PumpUntil(const std::function<bool()>& done) {
    while (!done()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
  }
  int LogCount(const std::wstring& message) {
    int n = 0;
    for (int i = 0; i < dlg->LogList().GetCount(); ++i) {
      n += dlg->LogList().GetText(i).find(message) != std::wstring::npos;
    }
    return n;
  }
  // The index of the first (newest) log line that holds message, or -1.
  int LogIndex(const std::wstring& message) {
    for (int i = 0; i < dlg->LogList().GetCount(); ++i) {
      if (dlg->LogList().GetText(i).find(message) != std::wstring::npos) return i;
    }
    return -1;
  }
  bool Enabled(int id) { return dlg->GetDlgItem(id).IsWindowEnabled(); }

  MessageBoxRecorder boxes;
  fs::path dir;
  std::unique_ptr<CRecMorphDlg> dlg;
};

}  // namespace

TEST_F(RecMorphDlgBatchTest, AClickConvertsEveryRowAndEnablesTheButtonsAgain) {
  Recording("a.tqv", "ok");
  Recording("b.tqv", "ok");
  Click(IDC_BTN_CONVERT);
  EXPECT_FALSE(Enabled(IDC_BTN_CONVERT));  // off before the worker runs
  PumpUntil([&] { return !dlg->IsBatchRunning(); });
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(dlg->FileList().GetItemText(0, 1), L"√");
  EXPECT_EQ(dlg->FileList().GetItemText(1, 1), L"√");
  for (int id : {IDC_BTN_SELECT, IDC_BTN_CONVERT, IDC_BTN_DELETE, IDC_BTN_CLEAR}) {
    EXPECT_TRUE(Enabled(id)) << id;
  }
  // The newest line is on top: the batch's end above its start.
  EXPECT_GE(LogIndex(L"转码服务启动..."), 0);
  EXPECT_LT(LogIndex(L"转码服务结束..."), LogIndex(L"转码服务启动..."));
  EXPECT_LT(LogIndex(L"转码任务[b.tqv]结束."), LogIndex(L"转码任务[a.tqv]结束."));
  EXPECT_TRUE(fs::exists(dir / "a.avi"));
}

TEST_F(RecMorphDlgBatchTest, ASecondClickWhileABatchRunsStartsNothing) {
  Recording("slow.tqv", "hang");
  Click(IDC_BTN_CONVERT);
  PumpUntil([&] { return fs::exists(dir / "slow.tqv.pid"); });
  EXPECT_TRUE(dlg->IsBatchRunning());
  // A click that reaches the handler although the button is off (a queued click).
  dlg->OnBnClickedConvert();
  dlg->OnBnClickedConvert();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(LogCount(L"转码服务启动..."), 1);
  EXPECT_FALSE(Enabled(IDC_BTN_CONVERT));
  EXPECT_FALSE(Enabled(IDC_BTN_CLEAR));
}

TEST_F(RecMorphDlgBatchTest, ClosingDuringABatchEndsTheConverterAndEveryEngineThread) {
  Recording("slow.tqv", "hang");
  Recording("next.tqv", "ok");
  Click(IDC_BTN_CONVERT);
  PumpUntil([&] { return fs::exists(dir / "slow.tqv.pid"); });
  int pid = 0;
  std::ifstream(dir / "slow.tqv.pid") >> pid;
  ASSERT_GT(pid, 0);
  // Let statuses and log lines be in flight while the window goes.
  dlg->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(dlg->GetResult(), IDCANCEL);
  dlg->DestroyWindow();
  EXPECT_FALSE(dlg->IsBatchRunning());
  EXPECT_NE(kill(pid, 0), 0) << "the converter is still running";
  EXPECT_FALSE(fs::exists(dir / "next.avi")) << "a further row was started";
  // Nothing reaches the dialog any more; destroying it now is safe (ASan watches this).
  dlg.reset();
  QCoreApplication::sendPostedEvents();
}

TEST(RecMorphDlgPipeTest, APipeFailureShowsOneErrorBoxAndLeavesTheFiguresAtZero) {
  MessageBoxRecorder boxes;
  int reads = 0;
  CFailingPipeDlg dlg(FastTiming(), [&](kernel::MemoryStatus& s) {
    ++reads;
    s = {8ull << 30, 4ull << 30, 50};
    return true;
  });
  ASSERT_TRUE(dlg.Create());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, L"初始化信息管道信息失败.");
  EXPECT_EQ(boxes.boxes[0].caption, L"错误");
  EXPECT_EQ(boxes.boxes[0].type, MB_OK | MB_ICONERROR);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(dlg.GetDlgItem(IDC_EDIT_TOTAL_MEM).GetWindowText(), L"0");
  EXPECT_EQ(dlg.GetDlgItem(IDC_EDIT_FREE_MEM).GetWindowText(), L"0");
  // No timer was set: killing timer 1 finds none.
  EXPECT_FALSE(dlg.KillTimer(1));
  // The dialog stays usable for listing files.
  EXPECT_TRUE(dlg.AddRecordingPath(L"/rec/a.tqv"));
}
