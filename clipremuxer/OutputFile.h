// COutputFile: the AVI under construction. It is written to a temporary file in the output's own
// folder (so that the final rename stays on one file system) and renamed over the output only
// once complete. Until then an earlier file of the output's name stays untouched; a failed run
// removes the temporary file, also when the process is stopped by SIGINT, SIGTERM or SIGHUP.
//
// Threads: one output file per process at a time, used by one thread.
#pragma once

#include <string>

namespace clipremuxer {

class COutputFile {
 public:
  COutputFile() = default;
  // Removes the temporary file unless Commit succeeded.
  ~COutputFile();
  COutputFile(const COutputFile&) = delete;
  COutputFile& operator=(const COutputFile&) = delete;

  // Creates the temporary file beside outputPath. False with errno set when the folder cannot be
  // written.
  bool Create(const std::string& outputPath);

  // The open temporary file, for writing and seeking.
  int GetFd() const { return m_nFd; }
  const std::string& GetTempPath() const { return m_strTempPath; }

  // Closes the temporary file and renames it over the output. False with errno set when the close
  // or the rename failed; the temporary file is then removed.
  bool Commit();

  // Closes and removes the temporary file.
  void Discard();

 private:
  std::string m_strOutputPath;
  std::string m_strTempPath;
  int m_nFd = -1;
};

}  // namespace clipremuxer
