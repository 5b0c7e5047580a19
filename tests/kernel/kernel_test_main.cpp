// Entry point of the kernel tests. Run with "--child <command> ..." the program acts as the child
// process that the process tests start:
//   exit <n>      exits with status n
//   signal <n>    raises signal n
//   args          writes each argument after "args" on its own line to standard output
//   fds           writes the open descriptor numbers, one per line, to standard output
//   cat           copies standard input to standard output until end of data, then exits 0
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int ChildMain(int argc, char** argv) {
  const std::string cmd = argc > 2 ? argv[2] : "";
  if (cmd == "exit" && argc > 3) {
    std::_Exit(std::atoi(argv[3]));
  }
  if (cmd == "signal" && argc > 3) {
    const int sig = std::atoi(argv[3]);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
    std::_Exit(99);
  }
  if (cmd == "args") {
    for (int i = 3; i < argc; ++i) std::printf("%s\n", argv[i]);
    std::fflush(stdout);
    std::_Exit(0);
  }
  if (cmd == "fds") {
    // Collect first: the directory stream's own descriptor is excluded by number.
    std::vector<int> fds;
    DIR* d = ::opendir("/proc/self/fd");
    if (d == nullptr) std::_Exit(98);
    const int own = ::dirfd(d);
    while (dirent* e = ::readdir(d)) {
      if (e->d_name[0] == '.') continue;
      const int fd = std::atoi(e->d_name);
      if (fd != own) fds.push_back(fd);
    }
    ::closedir(d);
    for (int fd : fds) std::printf("%d\n", fd);
    std::fflush(stdout);
    std::_Exit(0);
  }
  if (cmd == "cat") {
    char buf[4096];
    ssize_t n;
    while ((n = ::read(0, buf, sizeof buf)) > 0) {
      if (::write(1, buf, static_cast<size_t>(n)) != n) std::_Exit(97);
    }
    std::_Exit(0);
  }
  std::_Exit(96);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return ChildMain(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
