// The pipe on pipe2(O_CLOEXEC). Peek is FIONREAD, which answers at once with the number of bytes
// waiting; Read is read(2), retried when a signal interrupts it.
#include "kernel/pipe.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace kernel {

std::unique_ptr<Pipe> Pipe::Create() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return nullptr;
  return std::unique_ptr<Pipe>(new Pipe(fds[0], fds[1]));
}

Pipe::~Pipe() {
  ::close(m_readFd);
  ::close(m_writeFd);
}

bool Pipe::Peek(std::size_t& available) const {
  int n = 0;
  if (::ioctl(m_readFd, FIONREAD, &n) != 0 || n < 0) return false;
  available = static_cast<std::size_t>(n);
  return true;
}

bool Pipe::Read(void* buffer, std::size_t size, std::size_t& got) const {
  got = 0;
  for (;;) {
    const ssize_t n = ::read(m_readFd, buffer, size);
    if (n > 0) {
      got = static_cast<std::size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

}  // namespace kernel
