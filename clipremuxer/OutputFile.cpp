#include "clipremuxer/OutputFile.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace clipremuxer {
namespace {

// The temporary file's path for the signal handler: written before g_bTempArmed is set, and only
// read by the handler while it is set.
char g_szTempPath[4096];
volatile sig_atomic_t g_bTempArmed = 0;

void RemoveTempAndDie(int signo) {
  if (g_bTempArmed) ::unlink(g_szTempPath);
  ::signal(signo, SIG_DFL);
  ::raise(signo);
}

void InstallSignalCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = &RemoveTempAndDie;
  sigemptyset(&action.sa_mask);
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signo, &action, nullptr);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

COutputFile::~COutputFile() {
  Discard();
}

bool COutputFile::Create(const std::string& outputPath) {
  Discard();
  m_strOutputPath = outputPath;
  // A hidden name that says what it is: ".NAME.XXXXXX.part" beside the output.
  std::string pattern = FolderOf(outputPath) + "/." + FileNameOf(outputPath) + ".XXXXXX.part";
  if (pattern.size() >= sizeof g_szTempPath) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  InstallSignalCleanup();
  const int fd = ::mkostemps(name.data(), 5, O_CLOEXEC);
  if (fd < 0) return false;
  m_nFd = fd;
  m_strTempPath.assign(name.data());
  std::memcpy(g_szTempPath, name.data(), name.size());
  g_bTempArmed = 1;
  // mkostemps makes the file private (0600); the AVI gets the mode a new file normally gets.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  return true;
}

bool COutputFile::Commit() {
  if (m_nFd < 0) {
    errno = EBADF;
    return false;
  }
  const int fd = m_nFd;
  m_nFd = -1;
  // close reports late write errors (network file systems); a failure there means data is lost.
  if (::close(fd) != 0 || ::rename(m_strTempPath.c_str(), m_strOutputPath.c_str()) != 0) {
    const int saved = errno;
    Discard();
    errno = saved;
    return false;
  }
  g_bTempArmed = 0;
  m_strTempPath.clear();
  return true;
}

void COutputFile::Discard() {
  if (m_nFd >= 0) {
    ::close(m_nFd);
    m_nFd = -1;
  }
  if (!m_strTempPath.empty()) {
    g_bTempArmed = 0;
    ::unlink(m_strTempPath.c_str());
    m_strTempPath.clear();
  }
}

}  // namespace clipremuxer
