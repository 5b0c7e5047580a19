// CRecMorphDlg: the program's main window, the dialog IDD_RECMORPH_DIALOG. It lists the
// recordings with a status per row, starts a batch with 转码, shows the log (newest line on top)
// and the machine's memory figures, and is the conversion engine's host.
//
// Rows: column 0 the file name, column 1 the status, item data a BSTR with the folder (ending in
// '/') that the row owns. Rows enter only through AddRecordingPath and leave only through
// OnBnClickedDelete and ClearFileList, which release the folder string.
//
// Threads: every handler runs on the GUI thread. The engine's threads reach the dialog only
// through IConversionHost: its synchronous calls run on the GUI thread through
// CDialog::CallOnGuiThread, its posts are the messages WM_LOG_LINE and WM_ITEM_STATUS. Teardown
// first asks a running batch to stop (OnWindowClosing), so that the worker makes no further
// synchronous call; then it refuses such calls (CDialog::DestroyWindow); then OnDestroy stops the
// batch and joins every engine thread (CloseContext), and only then empties the list, so no
// engine thread touches the dialog after its teardown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QIcon>

#include "classlayer/Dialog.h"
#include "classlayer/ListBox.h"
#include "classlayer/ListCtrl.h"
#include "conversion/ConversionContext.h"
#include "conversion/ConversionHost.h"
#include "kernel/memory_status.h"
#include "ui/FileRowIndex.h"

// The two private messages by which the engine's threads report to the dialog.
constexpr UINT WM_LOG_LINE = 2025;     // wParam: BSTR line
constexpr UINT WM_ITEM_STATUS = 2026;  // wParam: BSTR base name, lParam: BSTR status

class CRecMorphDlg : public CDialog, public IConversionHost, public CConversionContext {
 public:
  // Reads the memory figures; false when they cannot be read.
  using MemoryQuery = std::function<bool(kernel::MemoryStatus& status)>;

  // Sets the process locale (ProcessLocale.h) and loads the icon. timing and memoryQuery are
  // injected by tests; the defaults are the real clock and /proc/meminfo.
  explicit CRecMorphDlg(ConversionTiming timing = ConversionTiming::Real(),
                        MemoryQuery memoryQuery = &kernel::GetMemoryStatus);
  ~CRecMorphDlg() override;

  // Appends a row for the recording at fullPath (an absolute path): column 0 its file name,
  // column 1 "×", item data its folder with the trailing '/'. Answers false, adding nothing, when
  // a row already bears that file name (compared without regard to case), when the path ends in
  // '/', or when the folder string cannot be allocated. GUI thread.
  bool AddRecordingPath(const std::wstring& fullPath);

  // Paths to list once the window is up (the files named on the command line): OnInitDialog adds
  // each through AddRecordingPath. Call before DoModal. GUI thread.
  void SetInitialPaths(std::vector<std::wstring> paths);

  // Releases every row's folder string and deletes every row.
  void ClearFileList();
  // Reads the memory status and shows total MB, available MB and free percent; a failed read
  // keeps the figures shown before.
  void RefreshMemoryInfo();

  // For tests and the file selection: the controls.
  CListCtrl& FileList() { return m_listFiles; }
  CListBox& LogList() { return m_listLog; }
  std::uint64_t TotalMemMB() const { return m_nTotalMemMB; }
  std::uint64_t AvailMemMB() const { return m_nAvailMemMB; }
  std::uint64_t FreeMemPercent() const { return m_nFreeMemPercent; }

  // IConversionHost, called by the batch worker (synchronous calls) and by every engine thread
  // (posts). A synchronous call refused at teardown answers 0 or the empty text and does nothing.
  int GetItemCount() override;
  std::wstring GetItemText(int row, int column) override;
  std::wstring GetItemFolder(int row) override;
  void EnableBatchButtons(bool enable) override;
  void BeginRow(int row) override;
  void FinishRow(int row, const std::wstring& status) override;
  void PostLogLine(BSTR line) override;
  void PostItemStatus(BSTR name, BSTR status) override;

  // Message handlers, public so that tests can drive them as the message map does.
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  LRESULT OnQueryDragIcon();
  void OnBnClickedSelect();
  void OnSize(UINT type, int cx, int cy);
  void OnBnClickedConvert();
  void OnDestroy();
  LRESULT OnLogLine(WPARAM wParam, LPARAM lParam);
  LRESULT OnItemStatus(WPARAM wParam, LPARAM lParam);
  void OnBnClickedDelete();
  void OnBnClickedClear();
  void OnTimer(UINT_PTR nIDEvent);
  void OnLbnDblclkLog();
  // WM_DROPFILES from the file list (FileSelection.cpp).
  LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  bool OnInitDialog() override;
  const CMessageMap* GetMessageMap() const override;
  void OnWindowClosing() override { RequestStop(); }
  // Dialog start's step that creates the pipe and the done event (CConversionContext::OpenContext);
  // tests replace it to take the failure path.
  virtual bool OpenConversionContext() { return OpenContext(); }

 private:
  // Releases the folder string of row (its item data).
  void FreeRowData(int row);
  // OnInitDialog's part for the file selection: drops on the file list, the initial paths.
  void InitFileSelection();
  // Whether files dropped on the list are taken now: not while a batch runs.
  bool AcceptsDrops();

  QIcon m_hIcon;
  CListCtrl m_listFiles;
  CListBox m_listLog;
  // (the conversion context lives in the CConversionContext base)
  std::uint64_t m_nTotalMemMB = 0;
  std::uint64_t m_nAvailMemMB = 0;
  std::uint64_t m_nFreeMemPercent = 0;

  MemoryQuery m_memoryQuery;
  CFileRowIndex m_index;                     // mirrors the rows of m_listFiles; GUI thread only
  std::vector<std::wstring> m_initialPaths;  // until OnInitDialog lists them; GUI thread only
};
