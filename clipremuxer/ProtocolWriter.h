// CProtocolWriter: the lines the converter writes for the tool that started it, on its standard
// output, in UTF-8, each ending in CR LF and flushed at once (the tool reads the pipe while the
// conversion runs).
//
//   "@@[cv]+" NAME ">##<" "Progress:" VALUE   progress; VALUE the whole percentage, only when it
//                                              changes; "100" once, when the output is complete
//   "@@[cv]-" MESSAGE                          an error; the conversion is over
//   anything else                              information the tool ignores
//
// NAME is the recording's file name without its folder, cut before its first ".tqv" in any case,
// which is how the tool matches a line to its row. The tool reads lines of up to 127 bytes, so
// error messages are shortened to fit; a progress line keeps its name whole, since a shortened
// name would match no row.
//
// Threads: one thread at a time.
#pragma once

#include <cstdio>
#include <string>

namespace clipremuxer {

class CProtocolWriter {
 public:
  // The longest line the tool takes whole, CR LF included.
  static constexpr std::size_t kMaxLine = 127;

  // out: the stream to write to (not owned); recordingPath names the row.
  CProtocolWriter(FILE* out, const std::string& recordingPath);

  // The row name for a recording path.
  static std::string RowName(const std::string& recordingPath);
  // The file name of a path, without its folder.
  static std::string FileName(const std::string& path);

  // Reports percent (clamped to 0..99) if it differs from the last value reported.
  void Progress(int percent);
  // Reports "Progress:100"; does nothing the second time.
  void Complete();
  // Reports an error: message (UTF-8), then ": " and the file name, shortened at a character
  // boundary when the line would pass kMaxLine bytes.
  void Error(const std::string& message, const std::string& fileName);
  // Writes an informational line (shortened like an error).
  void Info(const std::string& text);

  const std::string& GetName() const { return m_strName; }

 private:
  void WriteLine(const std::string& line);

  FILE* m_pOut;
  std::string m_strName;
  int m_nLastPercent = -1;
  bool m_bCompleted = false;
};

// text cut to at most maxBytes bytes without splitting a UTF-8 character; "..." marks a cut.
std::string FitUtf8(const std::string& text, std::size_t maxBytes);

}  // namespace clipremuxer
