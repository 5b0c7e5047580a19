// A stand-in for the main dialog: rows held in memory, every call recorded in order.
//
// Statuses follow the dialog's rules: a posted status changes the row being converted (between
// BeginRow and FinishRow) when the row's name, cut before its first ".tqv", equals the posted name
// without regard to case; once FinishRow has set the final status, nothing posted changes it.
#pragma once

#include <algorithm>
#include <cwctype>
#include <mutex>
#include <string>
#include <vector>

#include "conversion/ConversionHost.h"
#include "kernel/ole_string.h"

class FakeHost : public IConversionHost {
 public:
  struct Row {
    std::wstring name;
    std::wstring status;
    std::wstring folder;
  };

  void AddRow(const std::wstring& name, const std::wstring& folder,
              const std::wstring& status = L"×") {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rows.push_back({name, status, folder});
  }

  int GetItemCount() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_rows.size());
  }
  std::wstring GetItemText(int row, int column) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return column == 0 ? m_rows.at(row).name : m_rows.at(row).status;
  }
  std::wstring GetItemFolder(int row) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rows.at(row).folder;
  }
  void EnableBatchButtons(bool enable) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(enable ? L"buttons on" : L"buttons off");
  }
  void BeginRow(int row) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_current = row;
    m_events.push_back(L"begin " + std::to_wstring(row));
  }
  void FinishRow(int row, const std::wstring& status) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rows.at(row).status = status;
    if (m_current == row) m_current = -1;
    m_events.push_back(L"finish " + std::to_wstring(row) + L" " + status);
  }
  void PostLogLine(BSTR line) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_logs.emplace_back(line, SysStringLen(line));
    m_events.push_back(L"log " + m_logs.back());
    SysFreeString(line);
  }
  void PostItemStatus(BSTR name, BSTR status) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::wstring key(name, SysStringLen(name));
    const std::wstring text(status, SysStringLen(status));
    m_statuses.emplace_back(key, text);
    if (m_current >= 0 && Key(m_rows[m_current].name) == Lower(key)) {
      m_rows[m_current].status = text;
    }
    SysFreeString(name);
    SysFreeString(status);
  }

  // Snapshots, safe while a batch runs.
  std::vector<Row> Rows() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rows;
  }
  std::vector<std::wstring> Logs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_logs;
  }
  std::vector<std::wstring> Events() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
  }
  std::vector<std::pair<std::wstring, std::wstring>> Statuses() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_statuses;
  }

 private:
  static std::wstring Lower(std::wstring s) {
    for (auto& ch : s) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    return s;
  }
  static std::wstring Key(const std::wstring& name) {
    const std::wstring t = Lower(name);
    const auto p = t.find(L".tqv");
    return p == std::wstring::npos ? std::wstring() : t.substr(0, p);
  }

  std::mutex m_mutex;  // guards everything below
  std::vector<Row> m_rows;
  int m_current = -1;
  std::vector<std::wstring> m_logs;  // the lines as posted, timestamps included
  std::vector<std::wstring> m_events;
  std::vector<std::pair<std::wstring, std::wstring>> m_statuses;
};
