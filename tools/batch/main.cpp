// quillet-batch: the main window without a screen. Reads commands from standard input, prints
// what the window shows on standard output. It takes no arguments beyond --help and --version.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "platform/command_line.h"
#include "platform/out_of_memory.h"
#include "tools/batch/batch_session.h"

namespace {

constexpr std::string_view kProgram = "quillet-batch";

constexpr const char kHelp[] =
    "Usage: quillet-batch [OPTION]\n"
    "Run the genealogy window without a screen: read commands from standard input, one a line,\n"
    "and print on standard output, in UTF-8, what the window shows. The window finds its files\n"
    "(home.txt and the side files) in the working directory.\n"
    "\n"
    "Commands: type ID TEXT, check ID, click ID, key enter, key esc, close, syscommand N,\n"
    "answer ok|cancel|yes|no, print ID, tree, select N, selected. Empty lines and lines\n"
    "beginning with # are skipped. See quillet-batch(1).\n"
    "\n"
    "  -h, --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "Exit status: 0, or 2 for a malformed command (reported on standard error) or bad usage.\n";

}  // namespace

int main(int argc, char** argv) {
  bool help = false;
  bool version = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else {
      return platform::usageError(kProgram, argument.starts_with('-')
                                                ? "unrecognized option '" + argument + "'"
                                                : "extra operand '" + argument + "'");
    }
  }
  if (help) {
    std::fputs(kHelp, stdout);
    return platform::kExitSuccess;
  }
  if (version) {
    platform::printVersion(kProgram);
    return platform::kExitSuccess;
  }
  platform::exitOnOutOfMemory("quillet-batch");
  std::ios::sync_with_stdio(false);
  return quillet::batch::runBatch(std::cin, std::cout, std::cerr);
}
