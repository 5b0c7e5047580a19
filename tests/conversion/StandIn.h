// The stand-in converters. The conversion tests run themselves as ClipRemuxer or ffmpeg: the
// tool folder holds links of those names to the test program, whose main() looks at argv[0].
//
// A stand-in appends its arguments to $RECMORPH_STANDIN_DIR/calls (one call per line, arguments
// separated by a tab) and then follows the script $RECMORPH_STANDIN_DIR/<input file name>.do, one
// command per line (no script: exit 0):
//   out <text>         writes text to standard output; \r, \n, \t and \\ are escapes
//   repeat <n> <c>     writes the character c n times
//   flood <bytes>      writes lines of other text, bytes in all
//   sleep <ms>         sleeps
//   fds <file>         writes "<fd> <target>" for every open descriptor to file
//   exit <n>           exits with status n
//   kill <n>           raises signal n
//   hang               sleeps for ever
#pragma once

// True when argv[0] names a stand-in; StandInMain then never returns.
bool IsStandIn(const char* argv0);
[[noreturn]] void StandInMain(int argc, char** argv);
