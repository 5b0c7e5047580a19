#include "StandIn.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WriteAll(const std::string& s) {
  std::size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = ::write(1, s.data() + done, s.size() - done);
    if (n <= 0) std::_Exit(120);
    done += static_cast<std::size_t>(n);
  }
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[++i];
      out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    } else {
      out += s[i];
    }
  }
  return out;
}

void ReportFds(const std::string& file) {
  std::vector<std::string> lines;
  DIR* d = ::opendir("/proc/self/fd");
  if (d == nullptr) std::_Exit(121);
  const int own = ::dirfd(d);
  while (dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.' || std::atoi(e->d_name) == own) continue;
    char target[512] = {};
    const std::string link = std::string("/proc/self/fd/") + e->d_name;
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    std::string t = n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "?";
    // A pipe reads "pipe:[inode]"; the inode differs from run to run.
    if (t.rfind("pipe:", 0) == 0) t = "pipe";
    lines.push_back(std::string(e->d_name) + " " + t);
  }
  ::closedir(d);
  std::ofstream f(file);
  for (const auto& l : lines) f << l << "\n";
}

}  // namespace

bool IsStandIn(const char* argv0) {
  const std::string name = BaseName(argv0);
  return name == "ClipRemuxer" || name == "ffmpeg";
}

void StandInMain(int argc, char** argv) {
  const char* dirEnv = std::getenv("RECMORPH_STANDIN_DIR");
  const std::string dir = dirEnv != nullptr ? dirEnv : ".";
  {
    std::ofstream calls(dir + "/calls", std::ios::app);
    for (int i = 0; i < argc; ++i) calls << (i ? "\t" : "") << argv[i];
    calls << "\n";
  }
  // ClipRemuxer <recording> <output>; ffmpeg -i <side file> <output> -y
  const bool ffmpeg = BaseName(argv[0]) == "ffmpeg";
  const int inputIndex = ffmpeg ? 2 : 1;
  const std::string input = argc > inputIndex ? argv[inputIndex] : "";
  // Read the whole script first, so that no descriptor of it is open while it runs.
  std::vector<std::string> lines;
  {
    std::ifstream script(dir + "/" + BaseName(input) + ".do");
    std::string l;
    while (std::getline(script, l)) lines.push_back(l);
  }
  for (const std::string& line : lines) {
    const auto space = line.find(' ');
    const std::string cmd = line.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
    if (cmd == "out") {
      WriteAll(Unescape(arg));
    } else if (cmd == "repeat") {
      const auto sp = arg.find(' ');
      WriteAll(std::string(std::strtoull(arg.c_str(), nullptr, 10), arg.at(sp + 1)));
    } else if (cmd == "flood") {
      const std::size_t total = std::strtoull(arg.c_str(), nullptr, 10);
      const std::string other = "Converting frame, nothing to report here at all.\r\n";
      std::string block;
      while (block.size() + other.size() <= 65536) block += other;
      std::size_t written = 0;
      while (written + block.size() <= total) {
        WriteAll(block);
        written += block.size();
      }
      while (written + other.size() <= total) {
        WriteAll(other);
        written += other.size();
      }
    } else if (cmd == "sleep") {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(arg.c_str())));
    } else if (cmd == "fds") {
      ReportFds(arg);
    } else if (cmd == "exit") {
      std::_Exit(std::atoi(arg.c_str()));
    } else if (cmd == "kill") {
      const int sig = std::atoi(arg.c_str());
      ::signal(sig, SIG_DFL);
      ::raise(sig);
    } else if (cmd == "hang") {
      for (;;) ::pause();
    }
  }
  std::_Exit(0);
}
