// `recmorph --batch FILE...`: converts the given recordings in one batch, without a window and
// without a display.
//
// Each FILE is made absolute and added as the file selection adds a picked file (a second file of
// the same name, compared without regard to case, is skipped with a note on standard error).
// While the batch runs, every log line is written to standard output as the log list receives
// it, without its trailing CR LF; the engine's traces go to standard output as well. When the
// batch has ended, one line per row follows: the file name, a tab, the status.
//
// Exit status: 0 when every row shows "√", 1 when any does not (or the batch could not start),
// 2 for a usage error (no FILE, or an empty one). SIGINT and SIGTERM stop the batch: the running
// converter is ended, the rows are printed, and the status is 1.
#pragma once

#include <string>
#include <vector>

// files: the arguments after --batch. Answers the exit status.
int RunBatchCommand(const std::vector<std::string>& files);

// The usage text, for standard error.
const char* BatchUsage();
