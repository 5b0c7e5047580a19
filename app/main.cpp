// recmorph: the program's entry point.
//
//   recmorph [FILE...]          the main dialog, with the given recordings listed
//   recmorph --batch FILE...    converts without a window (app/BatchCommand.h)
//   recmorph --version          the version record
//   recmorph --help             the options
//
// The crash-dump filter and the application object are set up before main() runs
// (ui/RecMorphApp.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/BatchCommand.h"
#include "res/Templates.h"
#include "res/VersionInfo.h"
#include "ui/RecMorphApp.h"

namespace {

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "usage: recmorph [FILE...]\n"
               "       recmorph --batch FILE...\n"
               "       recmorph --version | --help\n"
               "\n"
               "%s turns TQV recordings (*.tqv) into AVI files.\n"
               "\n"
               "  FILE...          open the window with these recordings listed; a folder\n"
               "                   stands for the *.tqv files in it\n"
               "  --batch FILE...  convert the recordings without a window; the log goes to\n"
               "                   standard output, then one line per file with its status\n"
               "                   (exit status 0 when every file was converted)\n"
               "  --version        print the version and the product name\n"
               "  --help           print this help\n"
               "  --               treat every later argument as a FILE\n",
               kProductName);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--batch") == 0) {
    return RunBatchCommand(std::vector<std::string>(argv + 2, argv + argc));
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s %s\n", kProductName, kFileVersion);
    return 0;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintHelp(stdout);
    return 0;
  }

  // The rest are files for the window. "--" ends the options; an unknown "--" option is an error.
  // Single-dash options are Qt's (-platform, -style, ...) and go on to it.
  std::vector<char*> args{argv[0]};
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    if (!optionsEnded && std::strcmp(argv[i], "--") == 0) {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && std::strncmp(argv[i], "--", 2) == 0) {
      std::fprintf(stderr, "recmorph: unknown option %s\n\n", argv[i]);
      PrintHelp(stderr);
      return 2;
    }
    args.push_back(argv[i]);
  }
  args.push_back(nullptr);

  // Without a display Qt would abort; say what to do instead.
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
      std::getenv("QT_QPA_PLATFORM") == nullptr) {
    std::fputs(
        "recmorph: no display to open the dialog on; use --batch FILE... to convert without "
        "a window\n",
        stderr);
    return 1;
  }

  InitProgramResources();  // the icon, before the start-up gives it to every window
  return RunRecMorphApp(static_cast<int>(args.size()) - 1, args.data());
}
