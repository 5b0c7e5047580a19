// The conversion context: its globals, the dialog's start, batch and teardown steps, and the
// helpers its threads share.
#include "conversion/ConversionContext.h"

#include "conversion/FormatLocalTimestamp.h"
#include "kernel/ole_string.h"

std::atomic<int> g_bConverting{0};
kernel::Process* g_hConvertProcess = nullptr;
std::mutex g_csConvertProcess;

CConversionContext::CConversionContext(IConversionHost& host, ConversionTiming timing)
    : m_host(host), m_timing(std::move(timing)) {}

CConversionContext::~CConversionContext() {
  StopBatch();
}

bool CConversionContext::OpenContext() {
  m_hDoneEvent.reset();
  m_pipe.reset();
  m_hPipeRead = -1;
  m_hPipeWrite = -1;
  SetCurrentName(L"");
  m_pipe = kernel::Pipe::Create();
  if (!m_pipe) return false;
  m_hPipeRead = m_pipe->ReadFd();
  m_hPipeWrite = m_pipe->WriteFd();
  m_hDoneEvent = std::make_unique<kernel::Event>(kernel::Event::ResetPolicy::kAutomatic,
                                                 kernel::Event::InitialState::kNotSignaled);
  return true;
}

bool CConversionContext::StartBatch() {
  std::lock_guard<std::mutex> lock(m_csBatch);
  if (m_bBatchRunning.load()) return false;
  // The previous worker has taken its last step; only its thread's exit remains.
  if (m_hBatchThread) {
    m_hBatchThread->Join();
    m_hBatchThread.reset();
  }
  m_bStopBatch = false;
  m_bBatchRunning = true;
  m_hBatchThread = kernel::Thread::Start("batch", [this] { ConversionWorker(this); });
  if (!m_hBatchThread) {
    m_bBatchRunning = false;
    return false;
  }
  return true;
}

bool CConversionContext::IsBatchRunning() const {
  return m_bBatchRunning.load();
}

void CConversionContext::RequestStop() {
  if (!m_bBatchRunning.load()) return;
  std::lock_guard<std::mutex> lock(m_csRunning);
  // Under m_csRunning the worker either has not launched its next child yet (and will see the
  // flag and launch none) or has published it in m_pRunningProcess (and it is ended here).
  m_bStopBatch = true;
  if (m_pRunningProcess != nullptr) m_pRunningProcess->Terminate();
  // The worker's wait needs the event as well as the child's end; a monitor thread may already
  // have cleared g_bConverting and will not signal again.
  if (m_hDoneEvent) m_hDoneEvent->Signal();
}

void CConversionContext::StopBatch() {
  RequestStop();
  std::lock_guard<std::mutex> lock(m_csBatch);
  if (m_hBatchThread) {
    // The worker joins both monitor threads before it ends.
    m_hBatchThread->Join();
    m_hBatchThread.reset();
  }
  m_bStopBatch = false;
}

void CConversionContext::CloseContext() {
  StopBatch();
  if (m_hDoneEvent) {
    m_hDoneEvent->Signal();
    m_hDoneEvent.reset();
  }
  m_bStopMonitors = 1;
  StopMonitorThread(m_hReaderThread);
}

void CConversionContext::SetToolFolder(const std::wstring& folder) {
  m_strToolFolder = folder;
}

void CConversionContext::StopMonitorThread(std::unique_ptr<kernel::Thread>& thread) {
  if (!thread) return;
  if (!thread->TimedJoin(m_timing.stopLimit)) thread->Terminate();
  thread.reset();
}

void CConversionContext::PostLog(const std::wstring& message) {
  std::wstring line;
  FormatLocalTimestamp(line);
  line += message;
  BSTR payload = SysAllocString(line);
  if (payload != nullptr) m_host.PostLogLine(payload);
}

void CConversionContext::PostStatus(const std::wstring& name, const std::wstring& status) {
  BSTR key = SysAllocString(name);
  BSTR text = SysAllocString(status);
  if (key == nullptr || text == nullptr) {
    SysFreeString(key);
    SysFreeString(text);
    return;
  }
  m_host.PostItemStatus(key, text);
}

void CConversionContext::AcknowledgeReaderSync(std::uint64_t request) {
  if (m_nSyncAck.load() >= request) return;
  {
    std::lock_guard<std::mutex> lock(m_csSync);
    m_nSyncAck = request;
  }
  m_cvSync.notify_all();
}

void CConversionContext::WaitForReaderToCatchUp() {
  const std::uint64_t request = m_nSyncRequest.fetch_add(1) + 1;
  std::unique_lock<std::mutex> lock(m_csSync);
  m_cvSync.wait_for(lock, m_timing.stopLimit,
                    [&] { return m_nSyncAck.load() >= request || m_bReaderEnded.load(); });
}
