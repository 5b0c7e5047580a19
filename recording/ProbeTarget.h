// CProbeTarget: the part of the main dialog's state that the codec probe writes, and the probe
// itself, CRecMorphDlg::IsTqvH265.
//
// The main dialog derives from this class (through the conversion context), so the probe is
// reached as CRecMorphDlg::IsTqvH265(dialog, path) while the recording layer stays free of any
// user interface.
#pragma once

#include <mutex>
#include <string>

class CProbeTarget {
 public:
  virtual ~CProbeTarget() = default;

  // Reads the whole recording at path once, writes the payload of every frame back to back into
  // the side file (path + ".h265"), sets the dialog's current name to the recording's base name and
  // answers whether any frame had a type code from 32 to 34 (H.265). False for a recording that
  // cannot be opened or whose path has no dot (then nothing is touched). Side files of an earlier
  // run (path + ".h265", path + ".txt") are deleted first. A side file that a write failed on
  // (disk full, file-size limit) is removed before the answer, so no converter takes a truncated
  // stream for the whole one. Runs on the batch worker's thread.
  static bool IsTqvH265(CProbeTarget* dialog, const std::wstring& path);

  // The base name of the recording most recently probed. Any thread may read it while the probe
  // replaces it on another.
  std::wstring GetCurrentName() const;
  void SetCurrentName(const std::wstring& name);

 private:
  mutable std::mutex m_csCurrentName;  // guards m_strCurrentName
  std::wstring m_strCurrentName;
};
