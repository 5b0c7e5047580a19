#include "classlayer/Dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QWindow>
#include <utility>

#include "classlayer/DataExchange.h"
#include "classlayer/MessageBox.h"
#include "classlayer/Resources.h"

// One call from another thread, waiting to run on the GUI thread.
struct CDialog::SyncCall {
  bool done = false;       // the call has run; guarded by CDialog::m_csSyncCalls
  bool cancelled = false;  // the caller gave up (calls were closed); same guard
};

namespace {

QEvent::Type MessageEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type SyncCallEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// A posted message. When it is destroyed without having been handled (its window went first),
// the drop function releases whatever the message carried.
class CMessageEvent : public QEvent {
 public:
  CMessageEvent(UINT message, WPARAM wParam, LPARAM lParam, std::function<void()> drop)
      : QEvent(MessageEventType()),
        m_message(message),
        m_wParam(wParam),
        m_lParam(lParam),
        m_drop(std::move(drop)) {}
  ~CMessageEvent() override {
    if (!m_handled && m_drop) m_drop();
  }
  UINT m_message;
  WPARAM m_wParam;
  LPARAM m_lParam;
  bool m_handled = false;

 private:
  std::function<void()> m_drop;
};

template <class Call>
class CSyncCallEvent : public QEvent {
 public:
  CSyncCallEvent(std::shared_ptr<Call> call, std::function<void()> fn)
      : QEvent(SyncCallEventType()), m_call(std::move(call)), m_fn(std::move(fn)) {}
  std::shared_ptr<Call> m_call;
  std::function<void()> m_fn;
};

}  // namespace

// The Qt window of a CDialog: turns Qt's events into the dialog's messages.
class CDialogWindow : public QDialog {
 public:
  CDialogWindow(CDialog& owner, QWidget* parent, Qt::WindowFlags flags)
      : QDialog(parent, flags), m_owner(owner) {}

  bool m_bEnding = false;  // EndDialog has run: let the window close

 protected:
  bool event(QEvent* e) override {
    if (e->type() == MessageEventType()) {
      auto* message = static_cast<CMessageEvent*>(e);
      message->m_handled = true;  // the handler owns the payload from here on
      m_owner.SendMessage(message->m_message, message->m_wParam, message->m_lParam);
      return true;
    }
    if (e->type() == SyncCallEventType()) {
      auto* call = static_cast<CSyncCallEvent<CDialog::SyncCall>*>(e);
      m_owner.RunSyncCall(call->m_call, call->m_fn);
      return true;
    }
    return QDialog::event(e);
  }

  void timerEvent(QTimerEvent* e) override { m_owner.OnQtTimer(e->timerId()); }

  void closeEvent(QCloseEvent* e) override {
    if (m_bEnding) {
      e->accept();
      return;
    }
    // The close box: the dialog decides (its default ends it as Cancel).
    e->ignore();
    m_owner.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
      QDialog::keyPressEvent(e);
      return;
    }
    switch (e->key()) {
      case Qt::Key_Escape:
        m_owner.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        // A focused push button takes Enter as a click; elsewhere Enter means OK.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
          button->click();
        } else {
          m_owner.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        return;
      default:
        QDialog::keyPressEvent(e);
    }
  }

  void contextMenuEvent(QContextMenuEvent* e) override {
    m_owner.ShowSystemMenu(e->globalPos().x(), e->globalPos().y());
  }

  void paintEvent(QPaintEvent*) override {
    m_owner.m_bInPaint = true;
    m_owner.SendMessage(WM_PAINT, 0, 0);
    m_owner.m_bInPaint = false;
  }

  void resizeEvent(QResizeEvent* e) override {
    QDialog::resizeEvent(e);
    const LPARAM size = (width() & 0xFFFF) | ((height() & 0xFFFF) << 16);
    m_owner.SendMessage(WM_SIZE, 0, size);
  }

 private:
  CDialog& m_owner;
};

namespace {

Qt::FocusPolicy FocusOf(DWORD style) {
  return (style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus;
}

QWidget* MakeControl(const CControlTemplate& c, QWidget* parent, const QFont& font) {
  const QString text = QString::fromStdWString(c.text);
  switch (c.kind) {
    case ControlKind::PushButton: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      button->setDefault((c.style & BS_DEFPUSHBUTTON) != 0);
      button->setFocusPolicy(FocusOf(c.style));
      return button;
    }
    case ControlKind::ListBox: {
      auto* list = new QListWidget(parent);
      list->setFrameShape((c.style & WS_BORDER) != 0 ? QFrame::Box : QFrame::NoFrame);
      list->setVerticalScrollBarPolicy((c.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAsNeeded
                                                                   : Qt::ScrollBarAlwaysOff);
      // No horizontal extent is ever set, so a long line is cut at the edge, unelided.
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      list->setTextElideMode(Qt::ElideNone);
      list->setUniformItemSizes(true);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setFocusPolicy(FocusOf(c.style));
      return list;
    }
    case ControlKind::ListView: {
      auto* table = new QTableWidget(0, 0, parent);
      table->verticalHeader()->hide();
      table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
      table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
      table->horizontalHeader()->setSectionsClickable(false);
      table->horizontalHeader()->setHighlightSections(false);
      table->horizontalHeader()->setStretchLastSection(false);
      table->setEditTriggers(QAbstractItemView::NoEditTriggers);
      table->setSelectionMode((c.style & LVS_SINGLESEL) != 0
                                  ? QAbstractItemView::SingleSelection
                                  : QAbstractItemView::ExtendedSelection);
      table->setSelectionBehavior(QAbstractItemView::SelectItems);
      table->setShowGrid(false);
      table->setWordWrap(false);
      table->setCornerButtonEnabled(false);
      table->setFrameShape((c.style & WS_BORDER) != 0 ? QFrame::Box : QFrame::NoFrame);
      table->setFocusPolicy(FocusOf(c.style));
      return table;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(parent);
      edit->setReadOnly((c.style & ES_READONLY) != 0);
      edit->setFrame((c.style & WS_BORDER) != 0);
      edit->setFocusPolicy(FocusOf(c.style));
      return edit;
    }
    case ControlKind::GroupBox: {
      auto* group = new QGroupBox(text, parent);
      group->setFocusPolicy(Qt::NoFocus);
      return group;
    }
    case ControlKind::StaticText: {
      auto* label = new QLabel(text, parent);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setTextFormat(Qt::PlainText);
      label->setFocusPolicy(Qt::NoFocus);
      return label;
    }
    case ControlKind::StaticIcon: {
      auto* label = new QLabel(parent);
      label->setFocusPolicy(Qt::NoFocus);
      const QIcon icon = LoadIconResource(text.toInt());
      if (!icon.isNull()) label->setPixmap(icon.pixmap(32, 32));
      return label;
    }
  }
  return nullptr;
}

}  // namespace

namespace {

// The window commands of a dialog with a modal frame and no minimise or maximise box.
CMenu DefaultSystemMenu() {
  CMenu menu;
  menu.AppendMenu(MF_STRING, SC_MOVE, L"移动(&M)");
  menu.AppendMenu(MF_STRING, SC_CLOSE, L"关闭(&C)");
  return menu;
}

}  // namespace

CDialog::CDialog(const CDialogTemplate& dialogTemplate, CDialog* parent)
    : m_template(dialogTemplate), m_pParent(parent) {}

CDialog::~CDialog() {
  DestroyWindow();
}

bool CDialog::IsGuiThread() const {
  std::lock_guard<std::mutex> lock(m_csWindow);
  return m_pWindow != nullptr && std::this_thread::get_id() == m_idGuiThread;
}

QWidget* CDialog::GetSafeHwnd() const {
  std::lock_guard<std::mutex> lock(m_csWindow);
  return m_pWindow;
}

bool CDialog::CreateWindowAndInit() {
  if (GetSafeHwnd() != nullptr) return false;
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
  if ((m_template.style & WS_CAPTION) != 0) flags |= Qt::WindowTitleHint;
  if ((m_template.style & WS_SYSMENU) != 0) {
    flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  auto* window =
      new CDialogWindow(*this, m_pParent != nullptr ? m_pParent->GetSafeHwnd() : nullptr, flags);
  const QFont font = DialogFont(m_template.fontFace, m_template.pointSize);
  window->setFont(font);
  window->setWindowTitle(QString::fromStdWString(m_template.caption));
  m_units = DialogBaseUnits(font);
  const QRect client = MapDialogRect(m_units, 0, 0, m_template.cx, m_template.cy);
  // A modal frame without a sizing border: the dialog keeps its template size.
  window->setFixedSize(client.size());

  m_controls.clear();
  m_controlById.clear();
  for (const CControlTemplate& c : m_template.controls) {
    QWidget* control = MakeControl(c, window, font);
    if (control == nullptr) continue;
    control->setGeometry(MapDialogRect(m_units, c.x, c.y, c.cx, c.cy));
    control->setObjectName(QStringLiteral("ctl%1").arg(c.id));
    m_controls.push_back(control);
    if (c.id != IDC_STATIC) m_controlById.emplace(c.id, control);
    const int id = c.id;
    if (auto* button = qobject_cast<QPushButton*>(control)) {
      QObject::connect(button, &QPushButton::clicked, window, [this, id] {
        SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), 0);
      });
    } else if (auto* list = qobject_cast<QListWidget*>(control); list && (c.style & LBS_NOTIFY)) {
      QObject::connect(list, &QListWidget::itemDoubleClicked, window, [this, id] {
        SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), LBN_DBLCLK), 0);
      });
    }
  }

  {
    std::lock_guard<std::mutex> lock(m_csWindow);
    m_pWindow = window;
    m_idGuiThread = std::this_thread::get_id();
  }
  {
    std::lock_guard<std::mutex> lock(m_csSyncCalls);
    m_bSyncCallsOpen = true;
  }
  m_nResult = -1;
  m_bEnded = false;
  m_sysMenu = DefaultSystemMenu();
  OnInitDialog();
  return true;
}

bool CDialog::Create() {
  if (!CreateWindowAndInit()) return false;
  if ((m_template.style & WS_VISIBLE) != 0 && !m_bEnded) GetSafeHwnd()->show();
  return true;
}

INT_PTR CDialog::DoModal() {
  if (!CreateWindowAndInit()) return -1;
  if (!m_bEnded) {
    m_bModal = true;
    m_pWindow->exec();
    m_bModal = false;
  }
  DestroyWindow();
  return m_nResult;
}

void CDialog::EndDialog(int result) {
  m_nResult = result;
  m_bEnded = true;
  CDialogWindow* window = static_cast<CDialogWindow*>(GetSafeHwnd());
  if (window == nullptr) return;
  window->m_bEnding = true;
  window->done(result);
}

void CDialog::DestroyWindow() {
  if (GetSafeHwnd() == nullptr) return;
  OnWindowClosing();
  // Then release every thread that waits for the GUI thread, so that WM_DESTROY may wait for
  // those threads without a deadlock (see the header).
  {
    std::lock_guard<std::mutex> lock(m_csSyncCalls);
    m_bSyncCallsOpen = false;
  }
  m_cvSyncCalls.notify_all();

  SendMessage(WM_DESTROY, 0, 0);

  CDialogWindow* window = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_csWindow);
    window = std::exchange(m_pWindow, nullptr);
  }
  for (const auto& timer : m_timerByQtId) window->killTimer(timer.first);
  m_timerByQtId.clear();
  m_controls.clear();
  m_controlById.clear();
  // Deleting the window drops the messages still queued for it; their drop functions run now.
  delete window;
}

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return !dx.Failed();
}

CWnd CDialog::GetDlgItem(int id) const {
  CWnd handle;
  const auto it = m_controlById.find(id);
  if (it != m_controlById.end()) handle.Attach(it->second, id);
  return handle;
}

void CDialog::AttachControl(int id, CWnd& control) {
  const auto it = m_controlById.find(id);
  control.Attach(it != m_controlById.end() ? it->second : nullptr, id);
}

bool CDialog::PostMessage(UINT message, WPARAM wParam, LPARAM lParam, std::function<void()> drop) {
  {
    std::lock_guard<std::mutex> lock(m_csWindow);
    if (m_pWindow != nullptr) {
      // Qt keeps the posting order of events for one receiver, whichever thread posts them.
      QCoreApplication::postEvent(m_pWindow,
                                  new CMessageEvent(message, wParam, lParam, std::move(drop)));
      return true;
    }
  }
  if (drop) drop();
  return false;
}

LRESULT CDialog::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  for (const CMessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
    for (const CMessageMapEntry& entry : map->entries) {
      if (entry.message != message) continue;
      if (message == WM_COMMAND &&
          (entry.id != static_cast<int>(static_cast<short>(LOWORD(wParam))) ||
           entry.code != HIWORD(wParam))) {
        continue;
      }
      return entry.handler(*this, wParam, lParam);
    }
  }
  return DefWindowProc(message, wParam, lParam);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK) OnOK();
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDCANCEL) OnCancel();
      return 0;
    case WM_SYSCOMMAND:
      OnSysCommand(static_cast<UINT>(wParam), lParam);
      return 0;
    default:
      return 0;
  }
}

bool CDialog::CallOnGuiThread(const std::function<void()>& call) {
  if (IsGuiThread()) {
    call();
    return true;
  }
  auto state = std::make_shared<SyncCall>();
  {
    std::lock_guard<std::mutex> lock(m_csSyncCalls);
    if (!m_bSyncCallsOpen) return false;
  }
  {
    std::lock_guard<std::mutex> lock(m_csWindow);
    if (m_pWindow == nullptr) return false;
    QCoreApplication::postEvent(m_pWindow, new CSyncCallEvent<SyncCall>(state, call));
  }
  std::unique_lock<std::mutex> lock(m_csSyncCalls);
  m_cvSyncCalls.wait(lock, [&] { return state->done || !m_bSyncCallsOpen; });
  if (state->done) return true;
  // Closed before the call ran: it must never run now, since call refers to our caller's frame.
  state->cancelled = true;
  return false;
}

void CDialog::RunSyncCall(const std::shared_ptr<SyncCall>& call, const std::function<void()>& fn) {
  {
    std::lock_guard<std::mutex> lock(m_csSyncCalls);
    if (call->cancelled || !m_bSyncCallsOpen) return;
  }
  // Calls are closed only on this thread, so the caller is still waiting while fn runs.
  fn();
  {
    std::lock_guard<std::mutex> lock(m_csSyncCalls);
    call->done = true;
  }
  m_cvSyncCalls.notify_all();
}

UINT_PTR CDialog::SetTimer(UINT_PTR id, UINT elapse) {
  QWidget* window = GetSafeHwnd();
  if (window == nullptr) return 0;
  KillTimer(id);
  const int qtId = window->startTimer(static_cast<int>(elapse));
  if (qtId == 0) return 0;
  m_timerByQtId[qtId] = id;
  return id;
}

bool CDialog::KillTimer(UINT_PTR id) {
  QWidget* window = GetSafeHwnd();
  for (auto it = m_timerByQtId.begin(); it != m_timerByQtId.end(); ++it) {
    if (it->second != id) continue;
    if (window != nullptr) window->killTimer(it->first);
    m_timerByQtId.erase(it);
    return true;
  }
  return false;
}

void CDialog::OnQtTimer(int qtTimerId) {
  const auto it = m_timerByQtId.find(qtTimerId);
  if (it != m_timerByQtId.end()) SendMessage(WM_TIMER, it->second, 0);
}

int CDialog::MessageBox(const std::wstring& text, const std::wstring& caption, UINT type) {
  return ShowMessageBox(GetSafeHwnd(), text, caption, type);
}

CMenu* CDialog::GetSystemMenu(bool revert) {
  if ((m_template.style & WS_SYSMENU) == 0) return nullptr;
  if (revert) m_sysMenu = DefaultSystemMenu();
  return &m_sysMenu;
}

void CDialog::ShowSystemMenu(int globalX, int globalY) {
  QWidget* window = GetSafeHwnd();
  if (window == nullptr || m_sysMenu.Items().empty()) return;
  QMenu menu(window);
  for (const CMenu::Item& item : m_sysMenu.Items()) {
    if (item.flags & MF_SEPARATOR) {
      menu.addSeparator();
    } else {
      menu.addAction(QString::fromStdWString(item.text))->setData(QVariant::fromValue(item.id));
    }
  }
  QAction* chosen = menu.exec(QPoint(globalX, globalY));
  if (chosen != nullptr) {
    SendMessage(WM_SYSCOMMAND, static_cast<WPARAM>(chosen->data().value<UINT_PTR>()), 0);
  }
}

void CDialog::SetIcon(const QIcon& icon, bool bigIcon) {
  (bigIcon ? m_iconBig : m_iconSmall) = icon;
  if (QWidget* window = GetSafeHwnd()) {
    window->setWindowIcon(!m_iconBig.isNull() ? m_iconBig : m_iconSmall);
  }
}

bool CDialog::IsIconic() const {
  QWidget* window = GetSafeHwnd();
  return window != nullptr && window->isMinimized();
}

void CDialog::DrawIcon(int x, int y, const QIcon& icon) {
  QWidget* window = GetSafeHwnd();
  if (window == nullptr || !m_bInPaint || icon.isNull()) return;
  QPainter painter(window);
  icon.paint(&painter, x, y, 32, 32);
}

bool CDialog::OnInitDialog() {
  return UpdateData(false);
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

const CMessageMap* CDialog::GetMessageMap() const {
  static const CMessageMap map{nullptr, {}};
  return &map;
}

void CDialog::OnSysCommand(UINT id, LPARAM) {
  switch (id & 0xFFF0u) {
    case SC_CLOSE:
      OnCancel();
      return;
    case SC_MOVE:
      // The window manager moves the window with the pointer, where it supports that.
      if (QWidget* window = GetSafeHwnd(); window != nullptr && window->windowHandle() != nullptr) {
        window->windowHandle()->startSystemMove();
      }
      return;
    default:
      return;
  }
}
