// The fixture of the engine tests: a temporary folder with a tool folder of stand-in converters,
// a folder of recordings, a fake host and a context with a fake clock.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "conversion/ConversionContext.h"

// Whole seconds that the tests set by hand, or that advance by one per watchdog period when
// autoAdvance is set (one simulated second per millisecond).
struct FakeClock {
  std::atomic<std::int64_t> now{1'500'000'000};
  std::atomic<bool> autoAdvance{false};
};

// Whether a log text (without its timestamp) is one of the watchdog's minute lines.
inline bool IsMinuteLine(const std::wstring& text) {
  return text.find(L"]已转码 ") != std::wstring::npos;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Folders, narrow and wide; each ends without a separator.
  std::string Dir() const { return m_dir; }
  std::string ToolDir() const { return m_dir + "/tools"; }
  std::string RecDir() const { return m_dir + "/rec"; }
  std::wstring RecFolderW() const;  // the rows' folder, ending in '/'

  // Makes ClipRemuxer and/or ffmpeg in the tool folder.
  void InstallStandIn(const std::string& name);
  // Writes a recording of version 2 in the recordings folder: H.265 frames (type 33) or H.264
  // frames (type 1).
  void WriteRecording(const std::string& fileName, bool h265);
  // The script for the stand-in whose input file is named inputFileName.
  void WriteScript(const std::string& inputFileName, const std::string& script);
  // Every call the stand-ins received, each as its argument vector.
  std::vector<std::vector<std::string>> Calls() const;

  // Runs one batch to its end and joins it (the context is opened by SetUp).
  void RunBatch();
  // Waits (at most a few seconds) until pred holds.
  static bool WaitUntil(const std::function<bool()>& pred);

  // The log lines without their timestamps; the timestamps are checked on the way. The watchdog's
  // minute lines are left out unless asked for: with the clock standing still, every pass of the
  // watchdog sees 0 seconds, a multiple of 60.
  std::vector<std::wstring> LogTexts(bool withMinuteLines = false);

  std::string m_dir;
  FakeHost m_host;
  std::shared_ptr<FakeClock> m_clock = std::make_shared<FakeClock>();
  std::unique_ptr<CConversionContext> m_context;
};
