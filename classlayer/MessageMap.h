// The message map: a dialog class's table that routes each message to its handler.
//
// A class lists its entries in the order it wants them tried and names its base's map; the
// dispatcher walks the class's table, then the base's, and falls back to CDialog's default
// handling. Entries are made with the Map* helpers from member functions of the class:
//
//   const CMessageMap* CMyDlg::GetMessageMap() const {
//     static const CMessageMap map{CDialog::GetMessageMap(), {
//         MapCommand(BN_CLICKED, IDC_BTN_GO, &CMyDlg::OnBnClickedGo),
//         MapMessage(WM_MY_MESSAGE, &CMyDlg::OnMyMessage)}};
//     return &map;
//   }
#pragma once

#include <functional>
#include <vector>

#include "classlayer/WindowTypes.h"

class CDialog;

struct CMessageMapEntry {
  UINT message;  // WM_*
  UINT code;     // WM_COMMAND only: the notification code (BN_CLICKED, LBN_DBLCLK)
  int id;        // WM_COMMAND only: the control id
  std::function<LRESULT(CDialog& dialog, WPARAM wParam, LPARAM lParam)> handler;
};

struct CMessageMap {
  const CMessageMap* base;  // null for the last map of the chain
  std::vector<CMessageMapEntry> entries;
};

// A message with both parameters: LRESULT OnX(WPARAM, LPARAM).
template <class T>
CMessageMapEntry MapMessage(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
  return {message, 0, 0,
          [fn](CDialog& d, WPARAM w, LPARAM l) { return (static_cast<T&>(d).*fn)(w, l); }};
}

// A control notification: void OnX().
template <class T>
CMessageMapEntry MapCommand(UINT code, int id, void (T::*fn)()) {
  return {WM_COMMAND, code, id, [fn](CDialog& d, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(d).*fn)();
            return 0;
          }};
}

// A message without parameters (WM_PAINT, WM_DESTROY): void OnX().
template <class T>
CMessageMapEntry MapVoid(UINT message, void (T::*fn)()) {
  return {message, 0, 0, [fn](CDialog& d, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(d).*fn)();
            return 0;
          }};
}

// WM_TIMER: void OnTimer(UINT_PTR id).
template <class T>
CMessageMapEntry MapTimer(void (T::*fn)(UINT_PTR)) {
  return {WM_TIMER, 0, 0, [fn](CDialog& d, WPARAM w, LPARAM) -> LRESULT {
            (static_cast<T&>(d).*fn)(static_cast<UINT_PTR>(w));
            return 0;
          }};
}

// WM_SYSCOMMAND: void OnSysCommand(UINT id, LPARAM).
template <class T>
CMessageMapEntry MapSysCommand(void (T::*fn)(UINT, LPARAM)) {
  return {WM_SYSCOMMAND, 0, 0, [fn](CDialog& d, WPARAM w, LPARAM l) -> LRESULT {
            (static_cast<T&>(d).*fn)(static_cast<UINT>(w), l);
            return 0;
          }};
}

// WM_SIZE: void OnSize(UINT type, int cx, int cy); lParam carries cx (low) and cy (high word).
template <class T>
CMessageMapEntry MapSize(void (T::*fn)(UINT, int, int)) {
  return {WM_SIZE, 0, 0, [fn](CDialog& d, WPARAM w, LPARAM l) -> LRESULT {
            (static_cast<T&>(d).*fn)(static_cast<UINT>(w), static_cast<int>(l & 0xFFFF),
                                     static_cast<int>((l >> 16) & 0xFFFF));
            return 0;
          }};
}

// A message whose handler answers a value without taking parameters (WM_QUERYDRAGICON).
template <class T>
CMessageMapEntry MapQuery(UINT message, LRESULT (T::*fn)()) {
  return {message, 0, 0,
          [fn](CDialog& d, WPARAM, LPARAM) -> LRESULT { return (static_cast<T&>(d).*fn)(); }};
}
