#include "recording/ProbeTarget.h"

// CProbeTarget::IsTqvH265 lives with the stream extraction in CodecProbe.cpp.

std::wstring CProbeTarget::GetCurrentName() const {
  std::lock_guard<std::mutex> lock(m_csCurrentName);
  return m_strCurrentName;
}

void CProbeTarget::SetCurrentName(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(m_csCurrentName);
  m_strCurrentName = name;
}
