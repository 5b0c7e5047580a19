#include "classlayer/DataExchange.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <limits>

#include "classlayer/Dialog.h"
#include "classlayer/MessageBox.h"
#include "classlayer/Wnd.h"

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

}  // namespace

bool ParseUnsigned64(const std::wstring& text, std::uint64_t* value) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::uint64_t result = 0;
  std::size_t digits = 0;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
    const auto digit = static_cast<std::uint64_t>(text[i] - L'0');
    if (result > (kMax - digit) / 10) return false;
    result = result * 10 + digit;
  }
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (digits == 0 || i != text.size()) return false;
  *value = result;
  return true;
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (!control.IsAttached()) pDX->m_pDlgWnd->AttachControl(id, control);
}

void DDX_Text(CDataExchange* pDX, int id, std::uint64_t& value) {
  if (pDX->Failed()) return;
  CWnd edit = pDX->m_pDlgWnd->GetDlgItem(id);
  if (!pDX->m_bSaveAndValidate) {
    edit.SetWindowText(std::to_wstring(value));
    return;
  }
  std::uint64_t parsed = 0;
  if (ParseUnsigned64(edit.GetWindowText(), &parsed)) {
    value = parsed;
    return;
  }
  std::wstring caption = QCoreApplication::applicationName().toStdWString();
  if (caption.empty()) caption = L"RecMorph";
  ShowMessageBox(pDX->m_pDlgWnd->GetSafeHwnd(), L"请输入一个正整数。", caption, MB_ICONWARNING);
  if (QWidget* w = edit.GetSafeHwnd()) {
    w->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(w)) line->selectAll();
  }
  pDX->Fail();
}
