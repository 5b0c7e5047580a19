#include "ui/RecMorphDlg.h"

#include <utility>

#include "classlayer/DataExchange.h"
#include "classlayer/DropFiles.h"
#include "classlayer/Resources.h"
#include "res/Templates.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/ProcessLocale.h"

namespace {

const CDialogTemplate& MainTemplate() {
  InitProgramResources();
  return *FindDialogTemplate(IDD_RECMORPH_DIALOG);
}

std::wstring TextOf(BSTR s) {
  return s != nullptr ? std::wstring(s, SysStringLen(s)) : L"";
}

// The batch buttons, in the order in which they are disabled and enabled.
constexpr int kBatchButtons[] = {IDC_BTN_SELECT, IDC_BTN_CONVERT, IDC_BTN_DELETE, IDC_BTN_CLEAR};

}  // namespace

CRecMorphDlg::CRecMorphDlg(ConversionTiming timing, MemoryQuery memoryQuery)
    : CDialog(MainTemplate()),
      CConversionContext(static_cast<IConversionHost&>(*this), std::move(timing)),
      m_memoryQuery(std::move(memoryQuery)) {
  m_hIcon = LoadIconResource(IDR_MAINFRAME);
  SetProcessLocale();
}

CRecMorphDlg::~CRecMorphDlg() {
  // Here, not in the base: OnDestroy needs this object whole.
  DestroyWindow();
}

const CMessageMap* CRecMorphDlg::GetMessageMap() const {
  static const CMessageMap map{
      CDialog::GetMessageMap(),
      {
          MapSysCommand(&CRecMorphDlg::OnSysCommand),
          MapVoid(WM_PAINT, &CRecMorphDlg::OnPaint),
          MapQuery(WM_QUERYDRAGICON, &CRecMorphDlg::OnQueryDragIcon),
          MapCommand(BN_CLICKED, IDC_BTN_SELECT, &CRecMorphDlg::OnBnClickedSelect),
          MapSize(&CRecMorphDlg::OnSize),
          MapCommand(BN_CLICKED, IDC_BTN_CONVERT, &CRecMorphDlg::OnBnClickedConvert),
          MapVoid(WM_DESTROY, &CRecMorphDlg::OnDestroy),
          MapMessage(WM_LOG_LINE, &CRecMorphDlg::OnLogLine),
          MapMessage(WM_ITEM_STATUS, &CRecMorphDlg::OnItemStatus),
          MapCommand(BN_CLICKED, IDC_BTN_DELETE, &CRecMorphDlg::OnBnClickedDelete),
          MapCommand(BN_CLICKED, IDC_BTN_CLEAR, &CRecMorphDlg::OnBnClickedClear),
          MapTimer(&CRecMorphDlg::OnTimer),
          MapCommand(LBN_DBLCLK, IDC_LIST_LOG, &CRecMorphDlg::OnLbnDblclkLog),
          MapMessage(WM_DROPFILES, &CRecMorphDlg::OnDropFiles),
      }};
  return &map;
}

void CRecMorphDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_LIST_FILES, m_listFiles);
  DDX_Control(pDX, IDC_LIST_LOG, m_listLog);
  DDX_Text(pDX, IDC_EDIT_TOTAL_MEM, m_nTotalMemMB);
  DDX_Text(pDX, IDC_EDIT_AVAIL_MEM, m_nAvailMemMB);
  DDX_Text(pDX, IDC_EDIT_FREE_MEM, m_nFreeMemPercent);
}

bool CRecMorphDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (CMenu* sysMenu = GetSystemMenu(false)) {
    const std::wstring about = LoadStringResource(IDS_ABOUTBOX);
    if (!about.empty()) {
      sysMenu->AppendMenu(MF_SEPARATOR);
      sysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
    }
  }
  SetIcon(m_hIcon, true);
  SetIcon(m_hIcon, false);

  m_listFiles.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  m_listFiles.InsertColumn(0, L"文件", LVCFMT_LEFT, 380);
  m_listFiles.InsertColumn(1, L"完成情况", LVCFMT_CENTER, 88);
  InitFileSelection();

  if (!OpenConversionContext()) {
    MessageBox(L"初始化信息管道信息失败.", L"错误", MB_OK | MB_ICONERROR);
    return true;
  }
  RefreshMemoryInfo();
  SetTimer(1, 2000);
  return true;
}

bool CRecMorphDlg::AddRecordingPath(const std::wstring& fullPath) {
  std::wstring folder;
  std::wstring name;
  CFileRowIndex::SplitPath(fullPath, &folder, &name);
  if (name.empty() || m_index.ContainsName(name)) return false;
  BSTR folderString = SysAllocString(folder);
  if (folderString == nullptr) return false;
  const int row = m_listFiles.InsertItem(m_listFiles.GetItemCount(), name);
  if (row < 0) {
    SysFreeString(folderString);
    return false;
  }
  m_listFiles.SetItemText(row, 1, L"×");
  m_listFiles.SetItemData(row, reinterpret_cast<DWORD_PTR>(folderString));
  m_index.Append(name);
  return true;
}

void CRecMorphDlg::FreeRowData(int row) {
  BSTR folder = reinterpret_cast<BSTR>(m_listFiles.GetItemData(row));
  if (folder != nullptr) {
    SysFreeString(folder);
    m_listFiles.SetItemData(row, 0);
  }
}

void CRecMorphDlg::ClearFileList() {
  const int n = m_listFiles.GetItemCount();
  for (int i = 0; i < n; ++i) FreeRowData(i);
  m_listFiles.DeleteAllItems();
  m_index.Clear();
}

void CRecMorphDlg::RefreshMemoryInfo() {
  kernel::MemoryStatus status;
  if (!m_memoryQuery || !m_memoryQuery(status)) return;  // keep the figures shown before
  m_nTotalMemMB = status.totalPhys / (1ull << 20);
  m_nAvailMemMB = status.availPhys / (1ull << 20);
  m_nFreeMemPercent = 100u - (status.memoryLoad > 100u ? 100u : status.memoryLoad);
  UpdateData(false);
}

// --- IConversionHost ------------------------------------------------------------------------

int CRecMorphDlg::GetItemCount() {
  int count = 0;
  CallOnGuiThread([&] { count = m_listFiles.GetItemCount(); });
  return count;
}

std::wstring CRecMorphDlg::GetItemText(int row, int column) {
  std::wstring text;
  CallOnGuiThread([&] { text = m_listFiles.GetItemText(row, column); });
  return text;
}

std::wstring CRecMorphDlg::GetItemFolder(int row) {
  std::wstring folder;
  CallOnGuiThread([&] { folder = TextOf(reinterpret_cast<BSTR>(m_listFiles.GetItemData(row))); });
  return folder;
}

void CRecMorphDlg::EnableBatchButtons(bool enable) {
  CallOnGuiThread([&] {
    for (int id : kBatchButtons) GetDlgItem(id).EnableWindow(enable);
  });
}

void CRecMorphDlg::BeginRow(int row) {
  CallOnGuiThread([&] { m_index.BeginRow(row); });
}

void CRecMorphDlg::FinishRow(int row, const std::wstring& status) {
  CallOnGuiThread([&] {
    m_listFiles.SetItemText(row, 1, status);
    m_index.FinishRow(row);
  });
}

void CRecMorphDlg::PostLogLine(BSTR line) {
  PostMessage(WM_LOG_LINE, reinterpret_cast<WPARAM>(line), 0, [line] { SysFreeString(line); });
}

void CRecMorphDlg::PostItemStatus(BSTR name, BSTR status) {
  PostMessage(WM_ITEM_STATUS, reinterpret_cast<WPARAM>(name), reinterpret_cast<LPARAM>(status),
              [name, status] {
                SysFreeString(name);
                SysFreeString(status);
              });
}

// --- Handlers -------------------------------------------------------------------------------

void CRecMorphDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0u) == IDM_ABOUTBOX) {
    // Modal over this dialog, which the platform makes the owner of a box without a parent.
    CAboutDlg dlgAbout(this);
    dlgAbout.DoModal();
    return;
  }
  CDialog::OnSysCommand(nID, lParam);
}

void CRecMorphDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  // A minimised window shows its icon in the middle of its client area.
  constexpr int cxIcon = 32;
  constexpr int cyIcon = 32;
  const QWidget* window = GetSafeHwnd();
  const int x = (window->width() - cxIcon + 1) / 2;
  const int y = (window->height() - cyIcon + 1) / 2;
  DrawIcon(x, y, m_hIcon);
}

LRESULT CRecMorphDlg::OnQueryDragIcon() {
  return reinterpret_cast<LRESULT>(&m_hIcon);
}

void CRecMorphDlg::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
}

void CRecMorphDlg::OnBnClickedConvert() {
  // One batch at a time: the buttons go off before the worker starts, and a click that finds a
  // batch running starts nothing and leaves them as they were.
  bool wasEnabled[std::size(kBatchButtons)];
  for (std::size_t i = 0; i < std::size(kBatchButtons); ++i) {
    wasEnabled[i] = GetDlgItem(kBatchButtons[i]).IsWindowEnabled();
  }
  EnableBatchButtons(false);
  if (!StartBatch()) {
    for (std::size_t i = 0; i < std::size(kBatchButtons); ++i) {
      GetDlgItem(kBatchButtons[i]).EnableWindow(wasEnabled[i]);
    }
  }
}

void CRecMorphDlg::OnDestroy() {
  CDialog::OnDestroy();
  // Synchronous calls from the worker are refused by now (CDialog::DestroyWindow), so this may
  // wait for every engine thread: the running converter is ended, no further row starts.
  CloseContext();
  ClearFileList();
}

LRESULT CRecMorphDlg::OnLogLine(WPARAM wParam, LPARAM) {
  BSTR line = reinterpret_cast<BSTR>(wParam);
  m_listLog.InsertString(0, TextOf(line));
  SysFreeString(line);
  return 0;
}

LRESULT CRecMorphDlg::OnItemStatus(WPARAM wParam, LPARAM lParam) {
  BSTR name = reinterpret_cast<BSTR>(wParam);
  BSTR status = reinterpret_cast<BSTR>(lParam);
  // The first row whose key matches, looked up through the index (the same answer as a scan);
  // a row that is final, or not the one being converted, keeps its status.
  const int row = m_index.FindStatusRow(TextOf(name));
  if (row >= 0 && m_index.AcceptsStatus(row)) m_listFiles.SetItemText(row, 1, TextOf(status));
  SysFreeString(name);
  SysFreeString(status);
  return 0;
}

void CRecMorphDlg::OnBnClickedDelete() {
  int row = m_listFiles.GetNextItem(-1, LVNI_SELECTED);
  if (row < 0) {
    if (m_listFiles.GetItemCount() == 0) return;
    row = 0;
  }
  FreeRowData(row);
  m_listFiles.DeleteItem(row);
  m_index.Remove(row);
}

void CRecMorphDlg::OnBnClickedClear() {
  ClearFileList();
}

void CRecMorphDlg::OnTimer(UINT_PTR nIDEvent) {
  RefreshMemoryInfo();
  CDialog::OnTimer(nIDEvent);
}

void CRecMorphDlg::OnLbnDblclkLog() {
  const int i = m_listLog.GetCurSel();
  if (i == LB_ERR) return;
  MessageBox(m_listLog.GetText(i), L"提示", MB_OK);
}
