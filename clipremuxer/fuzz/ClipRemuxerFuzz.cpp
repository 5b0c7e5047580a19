// Fuzz target for the converter's input side: each input is a whole recording, converted as the
// program would (reader, classifiers, rate, timeline, AVI writer). Besides the sanitizers'
// findings it checks the converter's promise about files: after a failure neither the output nor
// a temporary file is left, and after a success only the output.
//
// Seeds: the sample recordings (RECMORPH_SAMPLE_DIR) and any TQV file.
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "clipremuxer/ClipRemuxer.h"
#include "clipremuxer/ProtocolWriter.h"

namespace {

std::string g_strDir;
FILE* g_pSink = nullptr;

int CountEntries(const std::string& dir) {
  int count = 0;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* entry = ::readdir(d)) {
      if (entry->d_name[0] != '.' || (entry->d_name[1] != '\0' && entry->d_name[1] != '.')) {
        ++count;
      }
    }
    ::closedir(d);
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  av_log_set_level(AV_LOG_QUIET);
  // Memory-backed when there is such a folder: the converter writes every output in full.
  std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
  pattern += "/clipremuxer_fuzz_XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) ::abort();
  g_strDir = pattern;
  g_pSink = std::fopen("/dev/null", "w");
  // The reader's traces go to standard output; keep them out of the fuzzer's log.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) ::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = g_strDir + "/in.tqv";
  const std::string output = g_strDir + "/out.avi";
  FILE* in = std::fopen(input.c_str(), "wb");
  if (in == nullptr) ::abort();
  if (size > 0) std::fwrite(data, 1, size, in);
  std::fclose(in);

  clipremuxer::CProtocolWriter protocol(g_pSink, input);
  int result = 0;
  {
    clipremuxer::CClipRemuxer remuxer(protocol);
    result = remuxer.Run(input, output);
  }
  const bool haveOutput = ::access(output.c_str(), F_OK) == 0;
  // Leftovers: the input, the output on success, and nothing else.
  if (haveOutput != (result == 0) || CountEntries(g_strDir) != 1 + (haveOutput ? 1 : 0)) {
    ::abort();
  }
  ::unlink(output.c_str());
  return 0;
}
