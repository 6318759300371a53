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
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
#include "gedcom/tree_export.h"
#include "platform/command_line.h"
#include "platform/out_of_memory.h"
#include "platform/temporaries.h"
#include "reports/book_export.h"
#include "reports/clan_walk.h"

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

// The options of the commands, each in the forms "--opt value" and "--opt=value".
constexpr platform::OptionSpec kOptions[] = {
    {"--version", true}, {"--paper", true},  {"--generations-per-page", true},
    {"--force"},         {"--living", true}, {"--index-order", true},
    {"--vertical"}};

// --living, which every command takes: what the export shows of the living; an exit status other
// than kDone when the value is wrong.
int parseLivingOption(std::string_view value, Request& request) {
  if (value == "show") {
    request.living = quillet::LivingPersons::kShow;
  } else if (value == "name") {
    request.living = quillet::LivingPersons::kName;
  } else if (value == "hide") {
    request.living = quillet::LivingPersons::kHide;
  } else {
    return badUsage("the living are shown with show, name or hide");
  }
  return kDone;
}

// The book command's options: `option` with its `value`; an exit status other than kDone when
// they are wrong.
int parseBookOption(std::string_view option, std::string_view value, Request& request) {
  if (request.command != "book") return badUsage(std::string(option) + " belongs to book");
  if (option == "--vertical") {
    request.book.vertical = true;
    return kDone;
  }
  if (option == "--paper") {
    request.book.paper = value == "a3" ? quillet::BookPaper::kA3 : quillet::BookPaper::kA4;
    return value == "a4" || value == "a3" ? kDone : badUsage("the paper is a4 or a3");
  }
  if (option == "--index-order") {
    request.book.indexOrder =
        value == "strokes" ? platform::NameOrder::strokes : platform::NameOrder::pinyin;
    return value == "pinyin" || value == "strokes"
               ? kDone
               : badUsage("the index order is pinyin or strokes");
  }
  int generations = 0;
  for (const char c : value) {
    generations = c >= '0' && c <= '9' && generations < 100 ? generations * 10 + (c - '0') : -1;
    if (generations < 0) break;
  }
  request.book.generationsPerPage = generations;
  if (value.empty() || generations < quillet::kMinGenerationsPerPage ||
      generations > quillet::kMaxGenerationsPerPage) {
    return badUsage("the generations per page are a number from 2 to 10");
  }
  return kDone;
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
  std::string error;
  const auto arguments = platform::readArguments(std::span(args).subspan(1), kOptions, error);
  if (!arguments) return badUsage(error);
  bool versionGiven = false;
  for (const platform::Argument& argument : *arguments) {
    if (argument.option.empty()) {
      if (!request.file.empty()) return badUsage("more than one output file");
      request.file = argument.value;
    } else if (argument.option == "--force") {
      request.force = true;
    } else if (argument.option == "--living") {
      if (const int status = parseLivingOption(argument.value, request); status != kDone) {
        return status;
      }
    } else if (argument.option == "--version") {
      if (request.command != "gedcom") return badUsage("--version belongs to gedcom");
      if (versionGiven) return badUsage("--version needs one value");
      if (argument.value == "5.5.1") {
        request.kind = quillet::ExportKind::kGedcom551;
      } else if (argument.value == "7.0") {
        request.kind = quillet::ExportKind::kGedcom70;
      } else {
        return badUsage("the version is 5.5.1 or 7.0");
      }
      versionGiven = true;
    } else if (int status = parseBookOption(argument.option, argument.value, request);
               status != kDone) {
      return status;
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
  platform::removeAbandonedTemporaries();
  quillet::FamilyTree tree;
  if (!tree.load()) {
    std::fprintf(stderr, "quillet-export: cannot read home.txt in the working directory: %s\n",
                 tree.loadFailure()
                     ? std::string(quillet::loadFailureText(*tree.loadFailure())).c_str()
                     : "an input or output error");
    return kNoGenealogy;
  }
  platform::ignoreOutOfRangeSourceDate(kProgram);
  request.book.madeOn = quillet::bookDate();
  request.book.living = request.living;
  const platform::Status result =
      request.command == "book"
          ? quillet::exportBook(tree, request.book, request.file, request.force)
          : quillet::exportToFile(tree, request.kind, request.file, request.force, request.living);
  using Code = platform::Status::Code;
  switch (result.code()) {
    case Code::kOk:
      if (const std::int32_t odd = quillet::namesNotGbk(quillet::collectClan(tree)); odd > 0) {
        std::fprintf(stderr,
                     "quillet-export: notice: %d %s bytes that are not GBK; each such byte is "
                     "written as the character U+F700 plus its value (U+F780 to U+F7FF)\n",
                     odd, odd == 1 ? "name holds" : "names hold");
      }
      return kDone;
    case Code::kProgramFile:
      return badUsage(result.message());
    case Code::kInvalidInput:  // no root
    case Code::kRefused:       // a genealogy, without --force
      std::fprintf(stderr, "quillet-export: %s\n", result.message().c_str());
      return kNoGenealogy;
    default:  // the file could not be written whole (nothing cancels here)
      break;
  }
  const std::string& why = result.message();
  std::fprintf(stderr, "quillet-export: cannot write %s%s%s\n", request.file.c_str(),
               why.empty() ? "" : ": ", why.c_str());
  return kNoGenealogy;
}
