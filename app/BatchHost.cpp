#include "app/BatchHost.h"

#include <chrono>
#include <utility>

#include "kernel/text_conv.h"

namespace {

std::wstring TextOf(BSTR s) {
  return s != nullptr ? std::wstring(s, SysStringLen(s)) : L"";
}

}  // namespace

CBatchHost::CBatchHost(std::FILE* out, ConversionTiming timing)
    : CConversionContext(static_cast<IConversionHost&>(*this), std::move(timing)), m_out(out) {}

CBatchHost::~CBatchHost() {
  CloseSyncCalls();
  CloseContext();
  // Posts that came in while the engine stopped: their strings are released with the tasks.
  std::lock_guard<std::mutex> lock(m_csQueue);
  m_queue.clear();
}

void CBatchHost::WriteLogLine(std::FILE* out, const std::wstring& line) {
  std::size_t end = line.size();
  if (end >= 1 && line[end - 1] == L'\n') --end;
  if (end >= 1 && line[end - 1] == L'\r' && end + 1 == line.size()) --end;
  std::string text = kernel::WideToNarrowLossy(std::wstring_view(line).substr(0, end));
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), out);
  std::fflush(out);
}

bool CBatchHost::AddRecordingPath(const std::wstring& fullPath) {
  Row row;
  CFileRowIndex::SplitPath(fullPath, &row.folder, &row.name);
  if (row.name.empty() || m_index.ContainsName(row.name)) return false;
  row.status = L"×";
  m_index.Append(row.name);
  m_rows.push_back(std::move(row));
  return true;
}

bool CBatchHost::RunBatch(const volatile std::sig_atomic_t* stopRequested) {
  if (!OpenContext()) return false;
  {
    std::lock_guard<std::mutex> lock(m_csQueue);
    m_bSyncOpen = true;
  }
  StartBatch();
  bool stopping = false;
  while (IsBatchRunning()) {
    if (!stopping && stopRequested != nullptr && *stopRequested != 0) {
      stopping = true;
      RequestStop();
    }
    ServeOnce();
  }
  // The worker has taken its last step; release anything still waiting, then join the threads.
  CloseSyncCalls();
  StopBatch();
  ServeOnce();
  return true;
}

void CBatchHost::ServeOnce() {
  std::deque<std::shared_ptr<Call>> tasks;
  {
    std::unique_lock<std::mutex> lock(m_csQueue);
    if (m_queue.empty()) m_cvQueue.wait_for(lock, std::chrono::milliseconds(20));
    tasks.swap(m_queue);
  }
  for (const auto& task : tasks) {
    if (task->sync) {
      std::lock_guard<std::mutex> lock(m_csQueue);
      if (task->cancelled) continue;
    }
    // A caller whose call is queued waits until it is done or released, and only this thread
    // releases calls, so the caller's frame is alive while fn runs.
    task->fn();
    if (task->sync) {
      std::lock_guard<std::mutex> lock(m_csQueue);
      task->done = true;
    }
  }
  m_cvQueue.notify_all();
}

void CBatchHost::CloseSyncCalls() {
  {
    std::lock_guard<std::mutex> lock(m_csQueue);
    m_bSyncOpen = false;
  }
  m_cvQueue.notify_all();
}

bool CBatchHost::CallOnMainThread(std::function<void()> fn) {
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  call->sync = true;
  std::unique_lock<std::mutex> lock(m_csQueue);
  if (!m_bSyncOpen) return false;
  m_queue.push_back(call);
  m_cvQueue.notify_all();
  m_cvQueue.wait(lock, [&] { return call->done || !m_bSyncOpen; });
  if (call->done) return true;
  call->cancelled = true;
  return false;
}

void CBatchHost::Post(std::function<void()> fn) {
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  {
    std::lock_guard<std::mutex> lock(m_csQueue);
    m_queue.push_back(std::move(call));
  }
  m_cvQueue.notify_all();
}

int CBatchHost::GetItemCount() {
  int count = 0;
  CallOnMainThread([&] { count = RowCount(); });
  return count;
}

std::wstring CBatchHost::GetItemText(int row, int column) {
  std::wstring text;
  CallOnMainThread([&] {
    if (row < 0 || row >= RowCount()) return;
    if (column == 0) text = m_rows[row].name;
    if (column == 1) text = m_rows[row].status;
  });
  return text;
}

std::wstring CBatchHost::GetItemFolder(int row) {
  std::wstring folder;
  CallOnMainThread([&] {
    if (row >= 0 && row < RowCount()) folder = m_rows[row].folder;
  });
  return folder;
}

void CBatchHost::EnableBatchButtons(bool) {
  CallOnMainThread([] {});  // no buttons; kept as a call so that its order with posts holds
}

void CBatchHost::BeginRow(int row) {
  CallOnMainThread([&] { m_index.BeginRow(row); });
}

void CBatchHost::FinishRow(int row, const std::wstring& status) {
  CallOnMainThread([&] {
    if (row < 0 || row >= RowCount()) return;
    m_rows[row].status = status;
    m_index.FinishRow(row);
  });
}

void CBatchHost::PostLogLine(BSTR line) {
  // The task owns the string: a shared holder frees it whether the task runs or is discarded.
  auto holder = std::shared_ptr<wchar_t>(line, &SysFreeString);
  Post([this, holder] { WriteLogLine(m_out, TextOf(holder.get())); });
}

void CBatchHost::PostItemStatus(BSTR name, BSTR status) {
  auto nameHolder = std::shared_ptr<wchar_t>(name, &SysFreeString);
  auto statusHolder = std::shared_ptr<wchar_t>(status, &SysFreeString);
  Post([this, nameHolder, statusHolder] {
    const int row = m_index.FindStatusRow(TextOf(nameHolder.get()));
    if (row >= 0 && m_index.AcceptsStatus(row)) m_rows[row].status = TextOf(statusHolder.get());
  });
}
