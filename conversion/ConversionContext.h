// CConversionContext: the state that the threads of a batch share, and the operations by which the
// dialog starts, watches and ends batches.
//
// The main dialog CRecMorphDlg derives from this class (and from its window class), so the codec
// probe is reached as CRecMorphDlg::IsTqvH265(dialog, path) and the engine's threads get the
// dialog as their parameter. The engine reaches the dialog only through the IConversionHost given
// to the constructor; the engine's tests give a fake.
//
// Threads:
//  - the GUI thread calls every public operation below;
//  - the batch worker "batch" (ConversionWorker) runs one batch, walking the host's rows;
//  - the monitor threads "reader" (OutputReaderThread) and "watchdog" (WatchdogThread) watch the
//    running converter; the worker starts them at the start of a batch and stops them at its end.
//
// Use from the dialog:
//   OnInitDialog:        if (!OpenContext()) show "初始化信息管道信息失败." in an error box;
//   OnBnClickedConvert:  disable the batch buttons, then StartBatch(); when it answers false (a
//                        batch runs already), leave the buttons as they were before the click;
//   OnDestroy:           CloseContext() (which stops a running batch first).
// While the GUI thread is inside StopBatch() or CloseContext(), the worker may still be inside one
// of the host's synchronous calls (Get*, EnableBatchButtons, BeginRow, FinishRow) that it made
// just before; the host must not let such a call wait for the blocked GUI thread for ever. A host
// that serves synchronous calls only from its event loop can instead call RequestStop(), keep
// serving its events until IsBatchRunning() answers false, and then call CloseContext(). After a
// stop request the engine makes no further synchronous host call; Post* calls may still come until
// StopBatch() returns, and none after that. The destructor stops a batch too, but by then a
// deriving dialog's own members are gone: the dialog must have called CloseContext() before.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "conversion/ConversionHost.h"
#include "conversion/ConversionTiming.h"
#include "kernel/event.h"
#include "kernel/pipe.h"
#include "kernel/process.h"
#include "kernel/thread.h"
#include "recording/ProbeTarget.h"

class CConversionContext;

// The thread procedures. Each takes the context (the dialog) and answers 1 when it ends.
unsigned ConversionWorker(CConversionContext* context);
unsigned OutputReaderThread(CConversionContext* context);
unsigned WatchdogThread(CConversionContext* context);

// 1 while the worker waits for a converter child that it launched; a monitor thread clears it when
// it judges the conversion over. Any thread may read it; the worker sets it, under
// g_csConvertProcess, right after storing the child in g_hConvertProcess.
extern std::atomic<int> g_bConverting;
// The converter child launched last. Never cleared, so after a conversion it still names the old,
// finished child; it may be used only while g_bConverting is 1, and only with g_csConvertProcess
// held, which the worker takes to clear g_bConverting before it releases the child. A monitor
// thread therefore never acts on a child that the worker has released.
extern kernel::Process* g_hConvertProcess;
// Guards g_hConvertProcess and every test of g_bConverting that leads to a use of it.
extern std::mutex g_csConvertProcess;

class CConversionContext : public CProbeTarget {
 public:
  // host must outlive the context. The context starts in the state "without pipe": every member is
  // null, both flags are 0 and the current name is empty.
  explicit CConversionContext(IConversionHost& host,
                              ConversionTiming timing = ConversionTiming::Real());
  // Stops a running batch (StopBatch) and closes the pipe and the event.
  ~CConversionContext() override;
  CConversionContext(const CConversionContext&) = delete;
  CConversionContext& operator=(const CConversionContext&) = delete;

  // Dialog start: creates the pipe and then the automatic-reset done event, initially not
  // signalled. False when the pipe could not be created; no event is made then, and every later
  // batch logs "初始化信息管道信息失败." and starts nothing. GUI thread, once, before any batch.
  bool OpenContext();

  // The transcode click: starts one batch worker and answers true, or answers false and starts
  // nothing while a batch runs (or after a stop request that has not finished). The worker logs,
  // disables and enables the batch buttons itself as a batch does. GUI thread.
  bool StartBatch();

  // Whether a batch worker runs (true from StartBatch() until the worker's last step). Any thread.
  bool IsBatchRunning() const;

  // Asks a running batch to end, and returns at once: the running converter is ended, no further
  // row is started, no further synchronous host call is made. A batch that is not running is not
  // affected. GUI thread.
  void RequestStop();

  // RequestStop(), then waits until the worker and both monitor threads have finished and joins
  // them. When it returns, no engine thread runs and no converter child of ours is left running.
  // A later StartBatch() may start a new batch. GUI thread.
  void StopBatch();

  // The dialog's teardown (OnDestroy): StopBatch(); then the done event is signalled, closed and
  // nulled; then the stop flag is set and the reader is stopped by the monitor rule (it is not
  // running any more, so nothing is waited for). The pipe stays open until the context is
  // destroyed. GUI thread.
  void CloseContext();

  // The folder in which the converters are looked for. Empty (the default) means the folder of
  // the running executable. Tests point it at a folder of stand-in converters. GUI thread, while
  // no batch runs.
  void SetToolFolder(const std::wstring& folder);

  // The host and the timing the engine uses (for the engine's own threads and tests).
  IConversionHost& Host() { return m_host; }
  const ConversionTiming& Timing() const { return m_timing; }

 private:
  friend unsigned ConversionWorker(CConversionContext* context);
  friend unsigned OutputReaderThread(CConversionContext* context);
  friend unsigned WatchdogThread(CConversionContext* context);
  friend class ConversionContextTest;

  // The monitor-thread stop rule: waits up to the stop limit for the thread, stops it by force
  // when it has not ended, releases it and nulls the member. Nothing is waited for when the member
  // is null.
  void StopMonitorThread(std::unique_ptr<kernel::Thread>& thread);
  // Posts the log line: the timestamp followed by message. A line that cannot be allocated is
  // dropped.
  void PostLog(const std::wstring& message);
  // Posts a status for name.
  void PostStatus(const std::wstring& name, const std::wstring& status);
  // The output reader's acknowledgement that it has handled everything the pipe held when the
  // worker asked (see WaitForReaderToCatchUp). Reader thread.
  void AcknowledgeReaderSync(std::uint64_t request);
  // Worker thread, after a converter has ended: waits (at most the stop limit) until the reader
  // has seen the pipe empty, so that every line the converter wrote has been handled before the
  // row's result is decided.
  void WaitForReaderToCatchUp();

  IConversionHost& m_host;
  const ConversionTiming m_timing;

  // Context members. m_hDoneEvent, the pipe and its two descriptors are written by the GUI thread
  // only while no engine thread runs (OpenContext, CloseContext, the destructor) and only read
  // while one does.
  std::unique_ptr<kernel::Event> m_hDoneEvent;  // automatic reset; the end of a conversion
  std::unique_ptr<kernel::Pipe> m_pipe;         // owns the two ends below
  int m_hPipeRead = -1;   // read end: the reader reads it; ClipRemuxer's standard input
  int m_hPipeWrite = -1;  // write end: ClipRemuxer's standard output and error
  // The monitor threads: written by the worker only (created at batch start, released at its end).
  std::unique_ptr<kernel::Thread> m_hReaderThread;
  std::atomic<int> m_bStopMonitors{0};  // stop request for both monitor threads
  std::unique_ptr<kernel::Thread> m_hWatchdogThread;

  // Converter folder override; GUI thread while no batch runs, read by the worker.
  std::wstring m_strToolFolder;

  // The batch worker. m_csBatch guards m_hBatchThread; m_bBatchRunning is set by StartBatch and
  // cleared by the worker as its last step.
  std::mutex m_csBatch;
  std::unique_ptr<kernel::Thread> m_hBatchThread;
  std::atomic<bool> m_bBatchRunning{false};

  // Stop request for the batch and the child being run. m_csRunning guards m_pRunningProcess and
  // orders a launch against a stop request: no child is started once m_bStopBatch is seen set.
  std::atomic<bool> m_bStopBatch{false};
  std::mutex m_csRunning;
  kernel::Process* m_pRunningProcess = nullptr;

  // An error report ("@@[cv]-") arrived since the worker last cleared the flag (before a launch).
  std::atomic<bool> m_bErrorReported{false};

  // Reader catch-up: the worker raises m_nSyncRequest; the reader stores in m_nSyncAck the last
  // request it read before a look that found the pipe empty. m_csSync guards the condition
  // variable's waits; m_bReaderEnded tells the worker not to wait for a reader that has ended.
  std::mutex m_csSync;
  std::condition_variable m_cvSync;
  std::atomic<std::uint64_t> m_nSyncRequest{0};
  std::atomic<std::uint64_t> m_nSyncAck{0};
  std::atomic<bool> m_bReaderEnded{true};
};
