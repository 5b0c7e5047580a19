#include "classlayer/Menu.h"

bool CMenu::AppendMenu(UINT flags, UINT_PTR id, const std::wstring& text) {
  if ((flags & MF_SEPARATOR) != 0) {
    m_items.push_back(Item{MF_SEPARATOR, 0, std::wstring()});
  } else {
    m_items.push_back(Item{flags, id, text});
  }
  return true;
}
