// Message boxes: a modal box with a text, a caption, an icon chosen by the type (MB_ICON*) and an
// OK button. GUI thread only.
//
// Tests and unattended runs install a handler that answers in place of the box; the handler sees
// exactly what would have been shown.
#pragma once

#include <functional>
#include <string>

#include "classlayer/WindowTypes.h"

class QWidget;

struct CMessageBoxRequest {
  std::wstring text;
  std::wstring caption;
  UINT type;
};

// Answers IDOK when the operator closed the box with OK.
using MessageBoxHandler = std::function<int(QWidget* parent, const CMessageBoxRequest& request)>;

// Replaces the handler (an empty one restores the real box) and answers the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

int ShowMessageBox(QWidget* parent, const std::wstring& text, const std::wstring& caption,
                   UINT type);
