// Helpers for the ClipRemuxer tests: a temporary folder per test, running the converter (and
// ffprobe) as a child with its output captured, encoding test patterns with the installed ffmpeg,
// cutting raw streams into frames and writing them as TQV recordings.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "tools/samplemaker/TqvWriter.h"

namespace remuxtest {

struct RunResult {
  int exitCode = -1;  // the exit status, or 128 + the signal
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs args[0] with args; standard input on /dev/null. fileSizeLimit caps the files the child may
// write (RLIMIT_FSIZE), so that a full disk can be shown.
RunResult Run(const std::vector<std::string>& args, rlim_t fileSizeLimit = RLIM_INFINITY);

// Runs the converter on recording and output.
RunResult RunRemuxer(const std::string& recording, const std::string& output,
                     rlim_t fileSizeLimit = RLIM_INFINITY);

// The lines of text that begin with "@@[cv]", each with its CR LF.
std::vector<std::string> ProtocolLines(const std::string& text);

// What ffprobe sees in an AVI: codec_name, width, height, r_frame_rate, nb_read_frames and
// nb_frames (the frame count of the AVI's header, empty chunks included); and the
// number of key packets as "keys" and of all packets as "packets".
std::map<std::string, std::string> Probe(const std::string& file);
// What ffmpeg's decoder prints at level error for file (empty for a sound file).
std::string DecodeErrors(const std::string& file);

// Encodes frames of the test pattern (320x240 at 25 fps) with ffmpeg into a raw stream; codecArgs
// select the encoder and format ("-c:v", "mpeg4", "-f", "m4v"). Cached per argument list for
// the test program's run.
const std::vector<std::uint8_t>& Encode(const std::vector<std::string>& codecArgs, int frames);

// Cuts raw streams into one payload per picture.
std::vector<std::vector<std::uint8_t>> SplitH264(const std::vector<std::uint8_t>& stream);
std::vector<std::vector<std::uint8_t>> SplitHevc(const std::vector<std::uint8_t>& stream);
std::vector<std::vector<std::uint8_t>> SplitMpeg4(const std::vector<std::uint8_t>& stream);
std::vector<std::vector<std::uint8_t>> SplitMjpeg(const std::vector<std::uint8_t>& stream);

// Frames with stamps 0, stepMs, 2 stepMs, ...
std::vector<TqvFrame> Frames(const std::vector<std::vector<std::uint8_t>>& payloads,
                             std::uint64_t stepMs = 40, std::int32_t type = 1);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);

class RemuxTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string Path(std::string_view name) const { return (m_dir / name).string(); }
  // Names of the files in the test's folder.
  std::vector<std::string> Listing() const;

  std::filesystem::path m_dir;
};

}  // namespace remuxtest
