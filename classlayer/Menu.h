// CMenu: a menu as a list of items (text items with a command id, and separators).
//
// It stands for the window's system menu: on Linux the window manager keeps the real one to
// itself, so CDialog shows these items as the dialog's context menu and sends a chosen item's id
// as WM_SYSCOMMAND. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "classlayer/WindowTypes.h"

class CMenu {
 public:
  struct Item {
    UINT flags;  // MF_STRING or MF_SEPARATOR
    UINT_PTR id;
    std::wstring text;  // '&' marks the mnemonic letter
  };

  // Appends an item; a separator ignores id and text. Answers true.
  bool AppendMenu(UINT flags, UINT_PTR id = 0, const std::wstring& text = std::wstring());
  const std::vector<Item>& Items() const { return m_items; }
  int GetMenuItemCount() const { return static_cast<int>(m_items.size()); }

 private:
  std::vector<Item> m_items;
};
