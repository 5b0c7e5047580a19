// OutputReaderThread: reads the companion converter's output from the pipe, cuts it into lines,
// turns progress and error reports into statuses and log lines, and ends a conversion on a final
// report, on an error report, or when the converter has ended and more than the silence limit has
// passed since the last line.
//
// Each pass reads everything the pipe holds, so a converter that writes fast is never held up.
// Lines of up to kMaxLine bytes (line feed included) are handled whole; a longer line is dropped,
// but still counts as a line for the last-line time.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/ConversionContext.h"
#include "kernel/text_conv.h"

namespace {

constexpr std::size_t kMaxLine = 64 * 1024;
constexpr std::size_t kChunk = 64 * 1024;

// Marks the reader as ended for a worker that waits for it to catch up, also on an early return.
struct ReaderEndMarker {
  std::mutex& mutex;
  std::condition_variable& cv;
  std::atomic<bool>& ended;
  ~ReaderEndMarker() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      ended = true;
    }
    cv.notify_all();
  }
};

}  // namespace

unsigned OutputReaderThread(CConversionContext* context) {
  CConversionContext& c = *context;
  const ConversionTiming& timing = c.m_timing;
  ReaderEndMarker endMarker{c.m_csSync, c.m_cvSync, c.m_bReaderEnded};
  kernel::Event& done = *c.m_hDoneEvent;
  const kernel::Pipe& pipe = *c.m_pipe;

  // Handles one complete line, its line feed included.
  auto handleLine = [&c, &done](std::string_view raw) {
    // The kind is decided by the first 7 bytes; a shorter line is of no kind.
    if (raw.size() < 7) return;
    const bool error = raw.compare(0, 7, "@@[cv]-") == 0;
    const bool progress = !error && raw.compare(0, 7, "@@[cv]+") == 0;
    if (!error && !progress) return;

    // The line is decoded up to a NUL byte, as a zero-terminated text would be.
    const std::wstring wide = kernel::NarrowToWide(raw.substr(0, raw.find('\0')));
    std::wstring t = wide.size() > 7 ? wide.substr(7) : std::wstring();

    if (error) {
      // The message keeps the converter's line end.
      c.PostLog(L"错误信息:" + t);
      c.m_bErrorReported = true;
      g_bConverting = 0;
      done.Signal();
      return;
    }

    // Drop the last line feed and the one character before it (the CR of CR LF).
    const auto lf = t.rfind(L'\n');
    const long long keep = lf == std::wstring::npos ? -2 : static_cast<long long>(lf) - 1;
    t = keep > 0 ? t.substr(0, static_cast<std::size_t>(keep)) : std::wstring();

    const auto marker = t.find(L">##<");
    const std::wstring name = marker == std::wstring::npos ? std::wstring() : t.substr(0, marker);

    // value = the last n characters, n = length - q - 9, q the position of "Progress:" or -1.
    const auto found = t.find(L"Progress:");
    const long long q = found == std::wstring::npos ? -1 : static_cast<long long>(found);
    const long long len = static_cast<long long>(t.size());
    const long long n = len - q - 9;
    std::wstring value;
    if (n >= len) {
      value = t;
    } else if (n > 0) {
      value = t.substr(static_cast<std::size_t>(len - n));
    }

    if (value == L"100") {
      value = L"√";
      g_bConverting = 0;
      done.Signal();
    }
    c.PostStatus(name, value);
  };

  std::string line;  // the line being assembled; survives from pass to pass
  line.reserve(1024);
  bool overlong = false;  // the line being assembled has outgrown kMaxLine and is dropped
  std::vector<char> chunk(kChunk);

  std::int64_t lastLine = timing.now();
  timing.sleep(timing.readerPace);
  // The catch-up request seen before a look at the pipe: if that look finds it empty, every byte
  // written before the request has been handled.
  std::uint64_t seenRequest = c.m_nSyncRequest.load();
  std::size_t available = 0;
  if (!pipe.Peek(available)) return 1;

  for (;;) {
    // Silence check: a converter that has ended without a final report.
    if (g_bConverting.load() != 0) {
      std::lock_guard<std::mutex> lock(g_csConvertProcess);
      if (g_bConverting.load() != 0 && g_hConvertProcess != nullptr) {
        const std::int64_t d = timing.now() - lastLine;
        if (d > timing.silenceLimitSeconds) {
          const int code = g_hConvertProcess->GetExitCode();
          if (code != kernel::kStillActive) {
            g_hConvertProcess->Terminate();  // a no-op on an ended child
            done.Signal();
            g_bConverting = 0;
          }
        }
      }
    }

    if (available == 0) {
      c.AcknowledgeReaderSync(seenRequest);
      if (c.m_bStopMonitors.load() != 0) break;
    } else {
      // Read what the look found, all of it; the bytes are there, so no read waits.
      while (available > 0) {
        std::size_t got = 0;
        if (!pipe.Read(chunk.data(), std::min(available, chunk.size()), got)) return 1;
        available -= std::min(available, got);
        const char* p = chunk.data();
        std::size_t left = got;
        while (left > 0) {
          const auto* lf = static_cast<const char*>(std::memchr(p, '\n', left));
          const std::size_t take = lf != nullptr ? static_cast<std::size_t>(lf - p) + 1 : left;
          if (!overlong) {
            if (line.size() + take > kMaxLine) {
              overlong = true;
              line.clear();
            } else {
              line.append(p, take);
            }
          }
          if (lf != nullptr) {
            if (!overlong) handleLine(line);
            line.clear();
            overlong = false;
            lastLine = timing.now();
          }
          p += take;
          left -= take;
        }
      }
    }

    timing.sleep(timing.readerPace);
    seenRequest = c.m_nSyncRequest.load();
    if (!pipe.Peek(available)) break;
  }
  return 1;
}
