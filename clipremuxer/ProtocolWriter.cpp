#include "clipremuxer/ProtocolWriter.h"

#include <algorithm>
#include <cctype>

namespace clipremuxer {
namespace {

const char kProgressPrefix[] = "@@[cv]+";
const char kErrorPrefix[] = "@@[cv]-";

}  // namespace

std::string FitUtf8(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  if (maxBytes < 3) return std::string(maxBytes, '.');
  std::size_t cut = maxBytes - 3;
  // Step back over continuation bytes (10xxxxxx) to the start of a character.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

CProtocolWriter::CProtocolWriter(FILE* out, const std::string& recordingPath)
    : m_pOut(out), m_strName(RowName(recordingPath)) {}

std::string CProtocolWriter::FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CProtocolWriter::RowName(const std::string& recordingPath) {
  const std::string name = FileName(recordingPath);
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::size_t dot = lower.find(".tqv");
  return dot == std::string::npos ? name : name.substr(0, dot);
}

void CProtocolWriter::Progress(int percent) {
  percent = std::clamp(percent, 0, 99);
  if (m_bCompleted || percent == m_nLastPercent) return;
  m_nLastPercent = percent;
  WriteLine(kProgressPrefix + m_strName + ">##<Progress:" + std::to_string(percent));
}

void CProtocolWriter::Complete() {
  if (m_bCompleted) return;
  m_bCompleted = true;
  WriteLine(kProgressPrefix + m_strName + ">##<Progress:100");
}

void CProtocolWriter::Error(const std::string& message, const std::string& fileName) {
  const std::string head = kErrorPrefix + message + ": ";
  const std::size_t room = kMaxLine - 2 > head.size() ? kMaxLine - 2 - head.size() : 0;
  WriteLine(head + FitUtf8(fileName, room));
}

void CProtocolWriter::Info(const std::string& text) {
  WriteLine(FitUtf8(text, kMaxLine - 2));
}

void CProtocolWriter::WriteLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), m_pOut);
  std::fwrite("\r\n", 1, 2, m_pOut);
  std::fflush(m_pOut);
}

}  // namespace clipremuxer
