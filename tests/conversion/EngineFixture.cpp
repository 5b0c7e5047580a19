#include "EngineFixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "kernel/exe_path.h"
#include "kernel/text_conv.h"
#include "tools/samplemaker/TqvWriter.h"

using namespace std::chrono_literals;

void EngineTest::SetUp() {
  std::string templ = (std::filesystem::temp_directory_path() / "rm_engine_XXXXXX").string();
  ASSERT_NE(::mkdtemp(templ.data()), nullptr);
  m_dir = templ;
  std::filesystem::create_directories(ToolDir());
  std::filesystem::create_directories(RecDir());
  ::setenv("RECMORPH_STANDIN_DIR", m_dir.c_str(), 1);

  ConversionTiming timing;
  auto clock = m_clock;
  timing.now = [clock] { return clock->now.load(); };
  timing.sleep = [clock](std::chrono::milliseconds d) {
    if (d >= 1000ms) {
      if (clock->autoAdvance) clock->now += d.count() / 1000;
      std::this_thread::sleep_for(1ms);
    } else {
      std::this_thread::sleep_for(d);
    }
  };
  timing.watchdogPeriod = 1000ms;
  timing.readerPace = 1ms;
  timing.stopLimit = 5000ms;
  m_context = std::make_unique<CConversionContext>(m_host, timing);
  m_context->SetToolFolder(kernel::NarrowToWide(ToolDir()));
  ASSERT_TRUE(m_context->OpenContext());
}

void EngineTest::TearDown() {
  if (m_context) m_context->CloseContext();
  m_context.reset();
  std::error_code ec;
  std::filesystem::remove_all(m_dir, ec);
}

std::wstring EngineTest::RecFolderW() const {
  return kernel::NarrowToWide(RecDir() + "/");
}

void EngineTest::InstallStandIn(const std::string& name) {
  std::filesystem::create_symlink(kernel::ExecutablePathNarrow(), ToolDir() + "/" + name);
}

void EngineTest::WriteRecording(const std::string& fileName, bool h265) {
  std::vector<TqvFrame> frames;
  for (int i = 0; i < 3; ++i) {
    TqvFrame f;
    f.type = h265 ? 33 : 1;
    f.stamp = static_cast<std::uint64_t>(i) * 40;
    f.payload.assign(16, static_cast<std::uint8_t>(i));
    frames.push_back(f);
  }
  ASSERT_TRUE(WriteTqvFile(RecDir() + "/" + fileName, 2, frames));
}

void EngineTest::WriteScript(const std::string& inputFileName, const std::string& script) {
  std::ofstream(m_dir + "/" + inputFileName + ".do") << script;
}

std::vector<std::vector<std::string>> EngineTest::Calls() const {
  std::vector<std::vector<std::string>> calls;
  std::ifstream f(m_dir + "/calls");
  std::string line;
  while (std::getline(f, line)) {
    std::vector<std::string> args;
    std::size_t pos = 0;
    for (;;) {
      const auto tab = line.find('\t', pos);
      args.push_back(line.substr(pos, tab - pos));
      if (tab == std::string::npos) break;
      pos = tab + 1;
    }
    calls.push_back(args);
  }
  return calls;
}

void EngineTest::RunBatch() {
  ASSERT_TRUE(m_context->StartBatch());
  ASSERT_TRUE(WaitUntil([this] { return !m_context->IsBatchRunning(); }));
  m_context->StopBatch();
}

bool EngineTest::WaitUntil(const std::function<bool()>& pred) {
  const auto limit = std::chrono::steady_clock::now() + 20s;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

std::vector<std::wstring> EngineTest::LogTexts(bool withMinuteLines) {
  static const std::wregex stamp(LR"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{4})");
  std::vector<std::wstring> texts;
  for (const auto& line : m_host.Logs()) {
    EXPECT_TRUE(std::regex_search(line, stamp)) << kernel::WideToNarrow(line).value_or("?");
    const std::wstring text = line.size() >= 24 ? line.substr(24) : line;
    if (withMinuteLines || !IsMinuteLine(text)) texts.push_back(text);
  }
  return texts;
}
