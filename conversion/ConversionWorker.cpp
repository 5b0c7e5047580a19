// ConversionWorker: one batch. Walks the host's rows once from top to bottom, probes every row not
// yet marked "√", runs its converter, waits for the conversion to be over and sets the row's final
// status.
#include <cstdio>
#include <optional>

#include "conversion/ConversionContext.h"
#include "conversion/ConverterCommand.h"
#include "kernel/exe_path.h"
#include "kernel/file_delete.h"
#include "kernel/text_conv.h"

namespace {

const std::wstring kConverted = L"√";
const std::wstring kNotConverted = L"×";

// A trace line on standard output; format holds one %s for the UTF-8 form of text.
void Trace(const char* format, const std::wstring& text) {
  const auto narrow = kernel::WideToNarrow(text);
  std::printf(format, narrow ? narrow->c_str() : "(null)");
  std::fflush(stdout);
}

std::optional<std::vector<std::string>> NarrowArgs(const std::vector<std::wstring>& argv) {
  std::vector<std::string> out;
  out.reserve(argv.size());
  for (const auto& a : argv) {
    auto narrow = kernel::WideToNarrow(a);
    if (!narrow) return std::nullopt;
    out.push_back(std::move(*narrow));
  }
  return out;
}

}  // namespace

unsigned ConversionWorker(CConversionContext* context) {
  CConversionContext& c = *context;
  IConversionHost& host = c.m_host;

  // Without the pipe and the event no conversion could be waited for: nothing is started.
  if (!c.m_hDoneEvent || !c.m_pipe) {
    c.PostLog(L"初始化信息管道信息失败.");
    c.m_bBatchRunning = false;
    return 1;
  }

  // Batch start: the reader first, then the watchdog.
  c.m_bStopMonitors = 0;
  c.m_bReaderEnded = false;
  c.m_hReaderThread = kernel::Thread::Start("reader", [context] { OutputReaderThread(context); });
  if (!c.m_hReaderThread) c.m_bReaderEnded = true;
  c.m_hWatchdogThread = kernel::Thread::Start("watchdog", [context] { WatchdogThread(context); });

  const std::wstring toolFolder =
      c.m_strToolFolder.empty() ? ToolFolderOf(kernel::ExecutablePath()) : c.m_strToolFolder;
  const std::wstring clipRemuxer = ClipRemuxerPathIn(toolFolder);
  Trace("ClipRemuxer: %s\n", clipRemuxer);
  const std::wstring ffmpeg = FindFfmpeg(toolFolder);
  Trace("FFMpeg: %s\n", ffmpeg);

  if (!c.m_bStopBatch) host.EnableBatchButtons(false);
  c.PostLog(L"转码服务启动...");

  // The two start-up records: ClipRemuxer reads from and writes to the pipe; ffmpeg gets
  // /dev/null for all three.
  const kernel::StdHandles clipRemuxerHandles{c.m_hPipeRead, c.m_hPipeWrite, c.m_hPipeWrite};
  const kernel::StdHandles ffmpegHandles{};

  const int rows = c.m_bStopBatch ? 0 : host.GetItemCount();
  for (int row = 0; row < rows && !c.m_bStopBatch; ++row) {
    if (host.GetItemText(row, 1) == kConverted) continue;
    const std::wstring name = host.GetItemText(row, 0);
    const std::wstring folder = host.GetItemFolder(row);
    const std::wstring recording = folder + name;
    const std::wstring output = OutputPathFor(folder, name);
    if (c.m_bStopBatch) break;
    host.BeginRow(row);

    const bool h265 = CProbeTarget::IsTqvH265(context, recording);
    std::wstring sideFile;
    ConverterCommand command;
    if (h265) {
      Trace("%s H265 tqv.\n", recording);
      sideFile = recording + L".h265";
      command = BuildFfmpegCommand(ffmpeg, sideFile, output);
    } else {
      command = BuildClipRemuxerCommand(clipRemuxer, recording, output);
    }
    Trace("Run: %s\n", command.commandLine);

    // Launch under m_csRunning, so that a stop request either prevents the launch or finds the
    // child and ends it.
    c.m_bErrorReported = false;
    std::unique_ptr<kernel::Process> child;
    bool stopped = false;
    {
      std::lock_guard<std::mutex> lock(c.m_csRunning);
      stopped = c.m_bStopBatch.load();
      const auto argv = NarrowArgs(command.argv);
      if (!stopped && argv) {
        child = kernel::Process::Spawn(*argv, h265 ? ffmpegHandles : clipRemuxerHandles);
        c.m_pRunningProcess = child.get();
      }
    }
    if (stopped) {
      if (h265) kernel::DeleteFileWide(sideFile);
      break;
    }

    bool succeeded = false;
    if (child) {
      c.PostLog(L"转码任务[" + name + L"]开始...");
      {
        std::lock_guard<std::mutex> lock(g_csConvertProcess);
        g_hConvertProcess = child.get();
        g_bConverting = 1;
      }
      kernel::WaitForProcessAndEvent(*child, *c.m_hDoneEvent);
      c.m_hDoneEvent->Reset();
      {
        // From here on no monitor thread touches the child: each tests the flag under this mutex.
        std::lock_guard<std::mutex> lock(g_csConvertProcess);
        g_bConverting = 0;
      }
      const int exitCode = child->GetExitCode();
      // Every line the converter wrote is in the pipe by now; let the reader handle them all, so
      // that an error report counts for this row and not for the next.
      if (!h265) c.WaitForReaderToCatchUp();
      const bool errorReported = !h265 && c.m_bErrorReported.load();
      {
        std::lock_guard<std::mutex> lock(c.m_csRunning);
        c.m_pRunningProcess = nullptr;
      }
      child.reset();
      if (exitCode != 0) {
        c.PostLog(L"转码任务[" + name + L"]失败(退出码" + std::to_wstring(exitCode) + L").");
      } else if (errorReported) {
        c.PostLog(L"转码任务[" + name + L"]失败.");
      }
      succeeded = exitCode == 0 && !errorReported;
    } else {
      c.PostLog(L"转码任务[" + name + L"]启动失败.");
    }
    c.PostLog(L"转码任务[" + name + L"]结束.");
    if (h265) kernel::DeleteFileWide(sideFile);
    if (!c.m_bStopBatch) host.FinishRow(row, succeeded ? kConverted : kNotConverted);
  }

  // Batch end.
  c.PostLog(L"转码服务结束...");
  if (!c.m_bStopBatch) host.EnableBatchButtons(true);
  c.m_bStopMonitors = 1;
  c.StopMonitorThread(c.m_hReaderThread);
  c.StopMonitorThread(c.m_hWatchdogThread);
  c.m_bBatchRunning = false;
  return 1;
}
