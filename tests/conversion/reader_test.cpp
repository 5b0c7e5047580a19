// The output reader's line table, long lines, floods and the silence check, through a stand-in
// ClipRemuxer that writes the lines.
#include <gtest/gtest.h>

#include <thread>

#include "EngineFixture.h"
#include "kernel/text_conv.h"

namespace {

using Status = std::pair<std::wstring, std::wstring>;
using namespace std::chrono_literals;

bool IsMarker(const std::wstring& s) {
  return s.size() >= 2 && s.substr(s.size() - 2) == L"->";
}

// The statuses the reader posted (the watchdog's markers left out), in order.
std::vector<Status> ReaderStatuses(FakeHost& host) {
  std::vector<Status> out;
  for (const auto& s : host.Statuses()) {
    if (!IsMarker(s.second)) out.push_back(s);
  }
  return out;
}

TEST_F(EngineTest, ReaderLineTable) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("clip01.tqv", false);
  WriteScript(
      "clip01.tqv",
      // plain report
      "out @@[cv]+clip01>##<Progress:37\\r\\n\n"
      // a line in pieces
      "out @@[cv]+cl\nsleep 5\nout ip01>##<Prog\nsleep 5\nout ress:38\\r\\n\n"
      // a bare LF loses the character before it
      "out @@[cv]+clip01>##<Progress:37\\n\n"
      // no ">##<": empty name
      "out @@[cv]+clip01 Progress:40\\r\\n\n"
      // no "Progress:": the text less its first 8 characters (clip01>#)
      "out @@[cv]+clip01>##<at 50\\r\\n\n"
      // only the exact value 100 completes
      "out @@[cv]+clip01>##<Progress:100%\\r\\n\n"
      "out @@[cv]+clip01>##<Progress:100.0\\r\\n\n"
      // lines of no kind
      "out @@\\r\\n\nout Converting...\\r\\n\nout \\n\nout @@[cv]*clip01>##<Progress:1\\r\\n\n"
      // a long line within the limit is handled whole
      "out @@[cv]+clip01>##<\nrepeat 60000 y\nout Progress:41\\r\\n\n"
      // a line beyond the limit is dropped
      "out @@[cv]+clip01>##<Progress:\nrepeat 70000 z\nout \\r\\n\n"
      // and the line after it is read as usual
      "out @@[cv]+clip01>##<Progress:42\\r\\n\n"
      "out @@[cv]+clip01>##<Progress:100\\r\\n\n");
  m_host.AddRow(L"clip01.tqv", RecFolderW());
  RunBatch();
  const std::vector<Status> expected{
      {L"clip01", L"37"},      {L"clip01", L"38"},   {L"clip01", L"3"},     {L"", L"40"},
      {L"clip01", L"#<at 50"}, {L"clip01", L"100%"}, {L"clip01", L"100.0"}, {L"clip01", L"41"},
      {L"clip01", L"42"},      {L"clip01", L"√"}};
  EXPECT_EQ(ReaderStatuses(m_host), expected);
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
}

TEST_F(EngineTest, ReaderKeepsUpWithAFlood) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  WriteScript("a.tqv", "flood 8388608\nout @@[cv]+a>##<Progress:100\\r\\n\n");
  m_host.AddRow(L"a.tqv", RecFolderW());
  RunBatch();
  EXPECT_EQ(ReaderStatuses(m_host), (std::vector<Status>{{L"a", L"√"}}));
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
}

TEST_F(EngineTest, EndedSilentConverterIsNoticedAfterMoreThanTenSeconds) {
  // A converter that ends without any report; the clock stands still unless moved here.
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  WriteScript("a.tqv", "sleep 20\nexit 0\n");
  m_host.AddRow(L"a.tqv", RecFolderW());
  ASSERT_TRUE(m_context->StartBatch());
  ASSERT_TRUE(WaitUntil([this] { return Calls().size() == 1; }));
  // Ten seconds of silence are not more than ten: the worker keeps waiting.
  m_clock->now += 10;
  std::this_thread::sleep_for(60ms);
  EXPECT_TRUE(m_context->IsBatchRunning());
  // Eleven are, and the converter has ended by now.
  m_clock->now += 1;
  ASSERT_TRUE(WaitUntil([this] { return !m_context->IsBatchRunning(); }));
  m_context->StopBatch();
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
}

TEST_F(EngineTest, SilenceOfARunningConverterDoesNothing) {
  InstallStandIn("ClipRemuxer");
  WriteRecording("a.tqv", false);
  WriteScript("a.tqv", "sleep 100\nout @@[cv]+a>##<Progress:100\\r\\n\n");
  m_host.AddRow(L"a.tqv", RecFolderW());
  ASSERT_TRUE(m_context->StartBatch());
  ASSERT_TRUE(WaitUntil([this] { return Calls().size() == 1; }));
  m_clock->now += 1000;  // long silence, but the converter still runs
  ASSERT_TRUE(WaitUntil([this] { return !m_context->IsBatchRunning(); }));
  m_context->StopBatch();
  EXPECT_EQ(ReaderStatuses(m_host), (std::vector<Status>{{L"a", L"√"}}));
  EXPECT_EQ(m_host.Rows()[0].status, L"√");
}

}  // namespace
