// ClipRemuxer RECORDING OUTPUT: the companion converter. Rewraps the video of a TQV recording
// into an AVI file without re-encoding, reporting progress and errors on standard output in the
// line protocol the tool reads (see ProtocolWriter.h).
//
// Exit codes: 0 success, 1 conversion failed (after its error line), 2 wrong arguments.
#include <signal.h>

#include <cstdio>
#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

#include "clipremuxer/ClipRemuxer.h"
#include "clipremuxer/ProtocolWriter.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ClipRemuxer RECORDING OUTPUT\n");
    return 2;
  }
  // A file-size limit must show as a failed write (EFBIG), not end the process; a closed pipe to
  // the tool must not end the conversion either.
  ::signal(SIGXFSZ, SIG_IGN);
  ::signal(SIGPIPE, SIG_IGN);
  // FFmpeg's own messages would land in the tool's pipe; they are shown only on request.
  av_log_set_level(std::getenv("CLIPREMUXER_VERBOSE") != nullptr ? AV_LOG_INFO : AV_LOG_QUIET);

  clipremuxer::CProtocolWriter protocol(stdout, argv[1]);
  clipremuxer::CClipRemuxer remuxer(protocol);
  return remuxer.Run(argv[1], argv[2]);
}
