// IConversionHost: the narrow interface through which the conversion engine reaches its dialog.
//
// The main dialog implements it with its controls; the engine's tests implement it with a fake.
// The engine knows nothing else of the user interface.
//
// Two kinds of call:
//  - Synchronous calls (Get*, EnableBatchButtons, BeginRow, FinishRow) come from the batch worker's
//    thread and are carried out on the dialog's thread before they return, in order with the posted
//    messages already queued.
//  - Post* calls come from any engine thread, return at once and are handled later on the dialog's
//    thread, in the order they were posted. Ownership of every string passes to the host, which
//    frees it with SysFreeString after use, also when it drops the message.
#pragma once

#include <string>

#include "kernel/ole_string.h"

class IConversionHost {
 public:
  virtual ~IConversionHost() = default;

  // The number of rows of the file list.
  virtual int GetItemCount() = 0;
  // The text of a row's column: 0 the file name, 1 the status.
  virtual std::wstring GetItemText(int row, int column) = 0;
  // The row's folder (its item data), ending in the folder separator; empty when the row has none.
  virtual std::wstring GetItemFolder(int row) = 0;

  // Disables (false) or enables (true) the select, convert, delete and clear buttons, in that order.
  virtual void EnableBatchButtons(bool enable) = 0;

  // The worker starts converting this row: from now on statuses posted for its name may change it.
  virtual void BeginRow(int row) = 0;
  // The worker has finished the row: its status column becomes status ("√" or "×"), and no status
  // posted before or after this call changes it any more.
  virtual void FinishRow(int row, const std::wstring& status) = 0;

  // WM_LOG_LINE: a complete log line.
  virtual void PostLogLine(BSTR line) = 0;
  // WM_ITEM_STATUS: the recording's base name and its new status text.
  virtual void PostItemStatus(BSTR name, BSTR status) = 0;
};
