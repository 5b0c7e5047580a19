#include "app/BatchCommand.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/BatchHost.h"
#include "kernel/text_conv.h"
#include "ui/ProcessLocale.h"

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;  // set by the signal handler, polled by RunBatch

extern "C" void OnStopSignal(int) {
  g_stopRequested = 1;
}

std::string Narrow(const std::wstring& text) {
  auto narrow = kernel::WideToNarrow(text);
  return narrow ? *narrow : std::string("?");
}

}  // namespace

const char* BatchUsage() {
  return "usage: recmorph [--batch FILE...]\n";
}

int RunBatchCommand(const std::vector<std::string>& files) {
  if (files.empty()) {
    std::fputs(BatchUsage(), stderr);
    return 2;
  }
  for (const std::string& file : files) {
    if (file.empty()) {
      std::fputs(BatchUsage(), stderr);
      return 2;
    }
  }
  SetProcessLocale();

  CBatchHost host(stdout);
  for (const std::string& file : files) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(file, error);
    if (error) path = file;
    const std::wstring fullPath = kernel::NarrowToWide(path.lexically_normal().string());
    if (!host.AddRecordingPath(fullPath)) {
      std::fprintf(stderr, "recmorph: %s: skipped, a file of that name is listed already\n",
                   file.c_str());
    }
  }

  struct sigaction action {};
  action.sa_handler = &OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  const bool ran = host.RunBatch(&g_stopRequested);
  if (!ran) std::fputs("recmorph: 初始化信息管道信息失败.\n", stderr);

  bool allConverted = ran && g_stopRequested == 0;
  for (int row = 0; row < host.RowCount(); ++row) {
    std::printf("%s\t%s\n", Narrow(host.RowName(row)).c_str(), Narrow(host.RowStatus(row)).c_str());
    if (host.RowStatus(row) != L"√") allConverted = false;
  }
  std::fflush(stdout);
  return allConverted ? 0 : 1;
}
