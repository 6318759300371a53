// quillet-export: writes the genealogy of home.txt (in the working directory) as GEDCOM, as
// an SVG chart or as the printed book (PDF).
//
//   quillet-export gedcom FILE [--version 5.5.1|7.0] [--living W] [--force]   (7.0 by default)
//   quillet-export chart FILE.svg [--living W] [--force]
//   quillet-export book FILE.pdf [--paper a4|a3] [--generations-per-page N] [--living W]
//                  [--index-order pinyin|strokes] [--vertical] [--force]   (a4, 5, pinyin)
//   quillet-export --help | --version                   (--version alone: the program's version)
// W, what the export shows of the living: show (everything, the default), name (the names
// alone) or hide (left out, their places kept as 某).
//
// Exit status: 0 done; 1 home.txt missing, unreadable or without a root, FILE a genealogy
// (named home.txt, or holding genealogy records) without --force, or FILE not written; 2 bad
// usage, FILE among them when it is a file the program reads (home.txt, a roster ...).
// A regular FILE is replaced as a whole or not at all; a FIFO or a device is written through.
// Messages go to stderr.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
#include "gedcom/tree_export.h"
#include "platform/command_line.h"
#include "platform/out_of_memory.h"
#include "platform/text_file.h"
#include "reports/book_export.h"

namespace {

constexpr int kDone = 0;
constexpr int kNoGenealogy = 1;
constexpr int kBadUsage = 2;

constexpr std::string_view kProgram = "quillet-export";

constexpr const char kHelp[] =
    "Usage: quillet-export gedcom FILE [--version 5.5.1|7.0] [--living WHAT] [--force]\n"
    "  or:  quillet-export chart FILE.svg [--living WHAT] [--force]\n"
    "  or:  quillet-export book FILE.pdf [--paper a4|a3] [--generations-per-page N]\n"
    "                      [--living WHAT] [--index-order pinyin|strokes] [--vertical] [--force]\n"
    "Write the genealogy of home.txt in the working directory to FILE: as GEDCOM (7.0 unless\n"
    "--version 5.5.1 is given), as an SVG chart of the family tree, or as the printed book of\n"
    "the clan in PDF: a cover, the key, the contents, charts of N generations each (5 unless\n"
    "given, 2 to 10), an entry for every member by generation and an index of names, on A4\n"
    "paper unless --paper a3 is given. A FILE that exists is replaced whole or not at all; a\n"
    "FIFO or a device (/dev/stdout) is written through.\n"
    "\n"
    "      --living WHAT   what the export shows of the living: show (everything, the\n"
    "                      default), name (their names alone, no dates and no texts) or hide\n"
    "                      (left out, their places kept as 某)\n"
    "      --index-order pinyin|strokes\n"
    "                      the book's index by pinyin (the default) or by strokes\n"
    "      --vertical      the book's entries in vertical columns, read from right to left\n"
    "      --force         replace FILE even when it is a genealogy: named home.txt, or\n"
    "                      holding genealogy records (never one this directory's genealogy\n"
    "                      reads)\n"
    "  -h, --help          display this help and exit\n"
    "      --version       output version information and exit (given alone)\n"
    "\n"
    "Exit status: 0 when FILE is written; 1 when home.txt is missing, unreadable or has no\n"
    "root, FILE is a genealogy and --force is not given, or FILE cannot be written; 2 for bad\n"
    "usage.\n";

int badUsage(std::string_view why) { return platform::usageError(kProgram, why); }

struct Request {
  std::string command;
  std::string file;
  quillet::ExportKind kind = quillet::ExportKind::kGedcom70;
  bool force = false;
  quillet::LivingPersons living = quillet::LivingPersons::kShow;
  quillet::BookOptions book;  // the book command's
};

// --living, which every command takes; true when args[i] was it (i then at its value).
bool parseLivingOption(const std::vector<std::string_view>& args, std::size_t& i, Request& request,
                       int& status) {
  if (args[i] != "--living") return false;
  if (i + 1 >= args.size()) {
    status = badUsage("--living needs one value");
    return true;
  }
  const std::string_view value = args[++i];
  if (value == "show") {
    request.living = quillet::LivingPersons::kShow;
  } else if (value == "name") {
    request.living = quillet::LivingPersons::kName;
  } else if (value == "hide") {
    request.living = quillet::LivingPersons::kHide;
  } else {
    status = badUsage("the living are shown with show, name or hide");
  }
  return true;
}

// The book command's options; true when args[i] was one (i then at its value).
bool parseBookOption(const std::vector<std::string_view>& args, std::size_t& i, Request& request,
                     int& status) {
  if (args[i] != "--paper" && args[i] != "--generations-per-page" && args[i] != "--index-order" &&
      args[i] != "--vertical") {
    return false;
  }
  if (request.command != "book") {
    status = badUsage(std::string(args[i]) + " belongs to book");
    return true;
  }
  if (args[i] == "--vertical") {
    request.book.vertical = true;
    return true;
  }
  if (i + 1 >= args.size()) {
    status = badUsage(std::string(args[i]) + " needs one value");
    return true;
  }
  const std::string_view option = args[i], value = args[++i];
  if (option == "--paper") {
    if (value != "a4" && value != "a3") status = badUsage("the paper is a4 or a3");
    request.book.paper = value == "a3" ? quillet::BookPaper::kA3 : quillet::BookPaper::kA4;
    return true;
  }
  if (option == "--index-order") {
    if (value != "pinyin" && value != "strokes") {
      status = badUsage("the index order is pinyin or strokes");
    }
    request.book.indexOrder =
        value == "strokes" ? platform::NameOrder::strokes : platform::NameOrder::pinyin;
    return true;
  }
  int generations = 0;
  for (const char c : value) {
    generations = c >= '0' && c <= '9' && generations < 100 ? generations * 10 + (c - '0') : -1;
    if (generations < 0) break;
  }
  if (value.empty() || generations < quillet::kMinGenerationsPerPage ||
      generations > quillet::kMaxGenerationsPerPage) {
    status = badUsage("the generations per page are a number from 2 to 10");
  }
  request.book.generationsPerPage = generations;
  return true;
}

// Parses the arguments into `request`; an exit status other than kDone when they are wrong.
int parseArguments(const std::vector<std::string_view>& args, Request& request) {
  if (args.empty()) return badUsage("no command given");
  if (args[0].size() > 1 && args[0][0] == '-') {
    return badUsage("unrecognized option '" + std::string(args[0]) + "'");
  }
  request.command = args[0];
  if (request.command == "chart") request.kind = quillet::ExportKind::kChartSvg;
  if (request.command != "gedcom" && request.command != "chart" && request.command != "book") {
    return badUsage("unknown command '" + request.command + "'");
  }
  bool versionGiven = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    int status = kDone;
    if (parseBookOption(args, i, request, status) || parseLivingOption(args, i, request, status)) {
      if (status != kDone) return status;
    } else if (args[i] == "--version") {
      if (request.command != "gedcom") return badUsage("--version belongs to gedcom");
      if (versionGiven || i + 1 >= args.size()) return badUsage("--version needs one value");
      std::string_view value = args[++i];
      if (value == "5.5.1") {
        request.kind = quillet::ExportKind::kGedcom551;
      } else if (value == "7.0") {
        request.kind = quillet::ExportKind::kGedcom70;
      } else {
        return badUsage("the version is 5.5.1 or 7.0");
      }
      versionGiven = true;
    } else if (args[i] == "--force") {
      request.force = true;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      return badUsage("unrecognized option '" + std::string(args[i]) + "'");
    } else if (request.file.empty()) {
      request.file = args[i];
    } else {
      return badUsage("more than one output file");
    }
  }
  if (request.file.empty()) return badUsage("no output file given");
  return kDone;
}

}  // namespace

int main(int argc, char** argv) {
  platform::exitOnOutOfMemory("quillet-export");
  platform::removeOnFatalSignals();
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kHelp, stdout);
    return kDone;
  }
  if (args.size() == 1 && args[0] == "--version") {
    platform::printVersion(kProgram);
    return kDone;
  }
  Request request;
  if (int status = parseArguments(args, request); status != kDone) return status;
  if (quillet::readByTheProgram(request.file)) {
    return badUsage("the output would replace a file the program reads (home.txt, a roster ...)");
  }

  platform::removeStaleReplacements("home.txt");
  quillet::FamilyTree tree;
  if (!tree.load()) {
    std::fputs("quillet-export: cannot read home.txt in the working directory\n", stderr);
    return kNoGenealogy;
  }
  request.book.madeOn = quillet::bookDate();
  request.book.living = request.living;
  const quillet::ExportResult result =
      request.command == "book"
          ? quillet::exportBook(tree, request.book, request.file, request.force)
          : quillet::exportToFile(tree, request.kind, request.file, request.force, request.living);
  switch (result) {
    case quillet::ExportResult::kWritten:
      return kDone;
    case quillet::ExportResult::kNoRoot:
      std::fputs("quillet-export: home.txt holds no root ancestor\n", stderr);
      return kNoGenealogy;
    case quillet::ExportResult::kRefused:
      return badUsage("the output would replace a file the program reads");
    case quillet::ExportResult::kGenealogy:
      std::fprintf(stderr,
                   "quillet-export: %s is a genealogy (home.txt or genealogy records); "
                   "--force replaces it\n",
                   request.file.c_str());
      return kNoGenealogy;
    case quillet::ExportResult::kWriteFailed:
    case quillet::ExportResult::kCancelled:  // nothing cancels here
      break;
  }
  std::fprintf(stderr, "quillet-export: cannot write %s\n", request.file.c_str());
  return kNoGenealogy;
}
