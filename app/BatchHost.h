// CBatchHost: the conversion engine's host for `recmorph --batch`, without any window.
//
// It keeps the file list as plain rows (name, status, folder) with the same rules as the main
// dialog: rows are added by AddRecordingPath, statuses go to the first row whose key matches and
// only while that row may take them (CFileRowIndex), and log lines are written out in the order
// the log list would receive them.
//
// Threads: the thread that calls RunBatch (the main thread) plays the dialog's part. The engine's
// synchronous calls are queued to it and wait until it has run them; its posts are queued to it
// in order. RunBatch serves the queue until the batch has ended and then joins every engine
// thread. Deadlock freedom: while the main thread waits for the engine in StopBatch(), the queue
// is closed, which releases every waiting call unanswered (the engine makes no synchronous call
// after a stop request anyway); posts that arrive then are still kept and handled afterwards.
#pragma once

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "conversion/ConversionContext.h"
#include "conversion/ConversionHost.h"
#include "ui/FileRowIndex.h"

class CBatchHost : public IConversionHost, public CConversionContext {
 public:
  // Log lines go to out, each as UTF-8 without its trailing CR LF (or lone LF), followed by "\n".
  explicit CBatchHost(std::FILE* out, ConversionTiming timing = ConversionTiming::Real());
  ~CBatchHost() override;

  // The main dialog's rule: appends a row for fullPath (name, "×", folder with its '/'), unless a
  // row already bears that name, compared without regard to case. False when nothing was added.
  bool AddRecordingPath(const std::wstring& fullPath);

  // Opens the context and runs one batch as a press of 转码 does, serving the engine until the
  // batch has ended and every engine thread has finished. stopRequested, when given, is polled:
  // once it is non-zero the batch is stopped (the running converter ended, no further row
  // started). False, running nothing, when the context could not be opened.
  bool RunBatch(const volatile std::sig_atomic_t* stopRequested = nullptr);

  int RowCount() const { return static_cast<int>(m_rows.size()); }
  const std::wstring& RowName(int row) const { return m_rows[row].name; }
  const std::wstring& RowStatus(int row) const { return m_rows[row].status; }

  // IConversionHost.
  int GetItemCount() override;
  std::wstring GetItemText(int row, int column) override;
  std::wstring GetItemFolder(int row) override;
  void EnableBatchButtons(bool enable) override;
  void BeginRow(int row) override;
  void FinishRow(int row, const std::wstring& status) override;
  void PostLogLine(BSTR line) override;
  void PostItemStatus(BSTR name, BSTR status) override;

  // Writes a log line as the batch command shows it (for tests).
  static void WriteLogLine(std::FILE* out, const std::wstring& line);

 private:
  struct Row {
    std::wstring name;
    std::wstring status;
    std::wstring folder;
  };
  struct Call {
    std::function<void()> fn;
    bool sync = false;
    bool done = false;       // guarded by m_csQueue
    bool cancelled = false;  // guarded by m_csQueue
  };

  // Runs fn on the main thread and waits for it; false when the queue was closed first.
  bool CallOnMainThread(std::function<void()> fn);
  void Post(std::function<void()> fn);
  // Runs every queued task; waits up to about 20 ms for the first when the queue is empty.
  void ServeOnce();
  void CloseSyncCalls();

  std::FILE* const m_out;

  std::mutex m_csQueue;               // guards m_queue, m_bSyncOpen and every Call's flags
  std::condition_variable m_cvQueue;  // a task arrived, or a call was done or released
  std::deque<std::shared_ptr<Call>> m_queue;
  bool m_bSyncOpen = true;

  // Main thread only:
  std::vector<Row> m_rows;
  CFileRowIndex m_index;
};
