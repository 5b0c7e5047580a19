// Records the message boxes that the code under test would show, and shows none.
#pragma once

#include <vector>

#include "classlayer/MessageBox.h"

class MessageBoxRecorder {
 public:
  MessageBoxRecorder() {
    m_previous = SetMessageBoxHandler([this](QWidget*, const CMessageBoxRequest& r) {
      boxes.push_back(r);
      return IDOK;
    });
  }
  ~MessageBoxRecorder() { SetMessageBoxHandler(m_previous); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  std::vector<CMessageBoxRequest> boxes;

 private:
  MessageBoxHandler m_previous;
};
