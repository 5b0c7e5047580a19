// An anonymous pipe: a read end and a write end, as POSIX file descriptors.
//
// Both ends are created close-on-exec, so no child inherits them by accident. A child receives an
// end only when it is handed over explicitly as one of its standard handles (kernel/process.h);
// that is what makes an end "inheritable" here.
//
// The Pipe object owns both descriptors and closes them when it is destroyed. Peek and Read may be
// called from one reading thread while another thread hands the ends to children; closing (the
// destructor) must wait until no thread uses the pipe.
#pragma once

#include <cstddef>
#include <memory>

namespace kernel {

class Pipe {
 public:
  // Creates a pipe with the system's default buffer size. Null when the system refuses.
  static std::unique_ptr<Pipe> Create();

  ~Pipe();
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  int ReadFd() const { return m_readFd; }
  int WriteFd() const { return m_writeFd; }

  // Looks, without waiting, how many bytes the read end holds. False when the query fails (the
  // pipe is then unusable); `available` is left untouched in that case.
  bool Peek(std::size_t& available) const;

  // Reads up to `size` bytes into `buffer`, waiting for at least one when the pipe is empty. The
  // number of bytes read is stored in `got`. False on failure or at end of data (every write end
  // closed); `got` is then 0.
  bool Read(void* buffer, std::size_t size, std::size_t& got) const;

 private:
  Pipe(int readFd, int writeFd) : m_readFd(readFd), m_writeFd(writeFd) {}
  const int m_readFd;
  const int m_writeFd;
};

}  // namespace kernel
