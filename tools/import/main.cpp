// quillet-import: brings the male line of a GEDCOM 5.5.1 or 7.0 file in as DIR/home.txt.
//
//   quillet-import [--force] [--accept-losses] [--root XREF] [--charset NAME] FILE.ged [DIR]
//   quillet-import --list-roots [--charset NAME] FILE.ged
//
// DIR is the working directory when not given. An existing home.txt is replaced only with
// --force, and then atomically. Every person the genealogy file cannot hold as the GEDCOM file
// has him is listed on stderr, and so is every repair of the file's text; nothing is written
// then unless --accept-losses is given. Notices (a Chinese name taken from a TRAN, a file
// labelled ANSI read as UTF-8) are listed too, and refuse nothing.
//
// Exit status: 0 written; 1 refused (losses, an existing home.txt) or failed (FILE unreadable
// or not GEDCOM, DIR not writable); 2 bad usage; 3 out of memory. Losses and errors go to stderr,
// the line saying what was written to stdout, both UTF-8.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "gedcom/gedcom_document.h"
#include "gedcom/gedcom_import.h"
#include "platform/command_line.h"
#include "platform/file_failure.h"
#include "platform/out_of_memory.h"
#include "platform/read_problem.h"
#include "platform/status.h"
#include "platform/temporaries.h"
#include "platform/text_file.h"
#include "platform/whole_file.h"

namespace {

constexpr int kWritten = 0;
constexpr int kRefused = 1;
constexpr int kBadUsage = 2;

constexpr const char* kHelp =
    "Usage: quillet-import [OPTION]... FILE.ged [DIR]\n"
    "Writes the male line of the GEDCOM 5.5.1 or 7.0 file FILE.ged as DIR/home.txt\n"
    "(DIR is the working directory when not given).\n"
    "\n"
    "  --root XREF      the root ancestor, such as @I1@; without it, the man without\n"
    "                   parents whose male line holds the most persons\n"
    "  --list-roots     list the men without parents, the default root first, and write\n"
    "                   nothing\n"
    "  --charset NAME   read FILE.ged in NAME (GBK, GB2312, GB18030, BIG5, BIG5-HKSCS,\n"
    "                   UTF-8) whatever its header says\n"
    "  --accept-losses  write the genealogy even when some persons cannot be held as the\n"
    "                   file has them, or lines of it were repaired (each is listed)\n"
    "  --force          replace an existing home.txt (atomically)\n"
    "  -h, --help       display this help and exit\n"
    "      --version    output version information and exit\n"
    "\n"
    "Exit status: 0 written (or listed), 1 refused or failed, 2 bad usage.\n";

struct Request {
  std::string file;
  std::string directory = ".";
  bool force = false;
  bool acceptLosses = false;
  bool help = false;
  bool version = false;
  bool listRoots = false;
  quillet::GedcomImportOptions options;
};

int badUsage(const std::string& why) { return platform::usageError("quillet-import", why); }

// Fills `request` from the arguments; kWritten when they are right, else a usage error's status.
// Options take the GNU forms "--root XREF" and "--root=XREF"; "--" ends the options.
int parseArguments(const std::vector<std::string_view>& args, Request& request) {
  struct Flag {
    std::string_view name;
    bool Request::*field;
  };
  static constexpr Flag kFlags[] = {
      {"--force", &Request::force},     {"--accept-losses", &Request::acceptLosses},
      {"--help", &Request::help},       {"-h", &Request::help},
      {"--version", &Request::version}, {"--list-roots", &Request::listRoots}};
  std::vector<std::string_view> positional;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    bool known = false;
    for (const Flag& flag : kFlags) {
      if (arg == flag.name) request.*flag.field = known = true;
    }
    if (known) continue;
    struct Valued {
      std::string_view name;
      std::string quillet::GedcomImportOptions::*field;
      std::string_view needs;
    };
    static const Valued kValued[] = {
        {"--root", &quillet::GedcomImportOptions::root, "an XREF such as @I1@"},
        {"--charset", &quillet::GedcomImportOptions::charset, "a character set such as GBK"}};
    const Valued* valued = nullptr;
    for (const Valued& option : kValued) {
      if (arg == option.name || (arg.starts_with(option.name) && arg[option.name.size()] == '=')) {
        valued = &option;
      }
    }
    if (valued != nullptr) {
      const std::string name(valued->name);
      std::string& field = request.options.*valued->field;
      if (!field.empty()) return badUsage(name + " is given twice");
      std::string_view value = arg == valued->name ? (i + 1 < args.size() ? args[++i] : "")
                                                   : arg.substr(valued->name.size() + 1);
      if (value.empty()) return badUsage(name + " needs " + std::string(valued->needs));
      field = value;
      continue;
    }
    return badUsage("unrecognized option '" + std::string(arg) + "'");
  }
  if (request.help || request.version) return kWritten;
  if (positional.empty()) return badUsage("no GEDCOM file given");
  if (positional.size() > 2) return badUsage("more than FILE.ged and DIR given");
  if (request.listRoots && positional.size() > 1) return badUsage("--list-roots takes no DIR");
  if (!request.options.charset.empty() &&
      quillet::gedcom::chineseCharset(request.options.charset).empty()) {
    std::string plain;
    for (char c : request.options.charset) {
      if (c != '-' && c != '_') plain += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    if (plain != "UTF8") {
      return badUsage("--charset takes GBK, GB2312, CP936, GB18030, BIG5, BIG5-HKSCS or UTF-8");
    }
  }
  request.file = positional[0];
  if (positional.size() == 2) request.directory = positional[1];
  return kWritten;
}

int refuse(const std::string& why) {
  std::fprintf(stderr, "quillet-import: %s\n", why.c_str());
  return kRefused;
}

// Writes the genealogy text as DIR/home.txt through the platform's replacement file, in text
// mode (each '\n' becomes CR LF, as the program's save writes it). Without --force a home.txt
// that appeared since the look for one is refused (kRefused): it is never replaced.
platform::Status writeHome(const Request& request, const std::string& text) {
  if (::chdir(request.directory.c_str()) != 0) {
    return platform::readProblemStatus(platform::readProblemOfPath(request.directory));
  }
  std::unique_ptr<platform::TextFile> file;
  platform::Status failure = platform::TextFile::openReplacement("home.txt", std::nullopt, file);
  const bool written =
      file && file->write(text) && (request.force ? file->commit() : file->commitNew());
  if (written) return {};
  if (file) failure = file->status();
  if (!failure.ok()) return failure;
  if (!request.force) {
    return platform::Status::error(platform::Status::Code::kRefused, "it exists by now");
  }
  return platform::fileFailure(platform::Status::Code::kIoError);
}

// --list-roots: the men without parents on standard output.
int listRoots(const Request& request) {
  std::string bytes;
  if (const platform::Status read = platform::readRegularFile(request.file, bytes); !read.ok()) {
    return refuse("cannot read " + request.file + ": " + read.message());
  }
  std::vector<std::string> lines;
  if (const platform::Status listed = quillet::listGedcomRoots(bytes, request.options, lines);
      !listed.ok()) {
    return refuse(request.file + ": " + listed.message());
  }
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  platform::exitOnOutOfMemory("quillet-import");
  Request request;
  if (int status = parseArguments(std::vector<std::string_view>(argv + 1, argv + argc), request);
      status != kWritten) {
    return status;
  }
  if (request.help) {
    std::fputs(kHelp, stdout);
    return kWritten;
  }
  if (request.version) {
    platform::printVersion("quillet-import");
    return kWritten;
  }
  platform::removeAbandonedTemporaries();
  if (request.listRoots) return listRoots(request);
  namespace fs = std::filesystem;
  std::error_code error;
  const std::string home = (fs::path(request.directory) / "home.txt").string();
  if (!fs::is_directory(request.directory, error)) {
    const platform::ReadProblem problem = platform::readProblemOfPath(request.directory);
    return refuse(request.directory + ": " +
                  (problem == platform::ReadProblem::kNotRegularFile ||
                           problem == platform::ReadProblem::kOther
                       ? std::string("not a directory")
                       : std::string(platform::readProblemText(problem))));
  }
  std::string bytes;
  if (!platform::readRegularFile(request.file, bytes).ok()) {
    return refuse(
        "cannot read " + request.file + ": " +
        std::string(platform::readProblemText(platform::readProblemOfPath(request.file))));
  }
  if (!request.force && fs::exists(fs::symlink_status(home, error))) {
    return refuse(home + " exists; --force replaces it");
  }

  quillet::GedcomImport result;
  if (const platform::Status imported = quillet::importGedcom(bytes, request.options, result);
      !imported.ok()) {
    return refuse(request.file + ": " + imported.message());
  }
  for (const std::string& notice : result.notices) {
    std::fprintf(stderr, "quillet-import: notice: %s\n", notice.c_str());
  }
  for (const quillet::ImportLoss& loss : result.losses) {
    std::fprintf(stderr, "quillet-import: %s\n", quillet::lossLine(loss).c_str());
  }
  if (!result.losses.empty() && !request.acceptLosses) {
    return refuse(std::to_string(result.losses.size()) +
                  " losses above; nothing written"
                  " (--accept-losses writes the genealogy with the values shown)");
  }
  if (const platform::Status written = writeHome(request, result.homeText); !written.ok()) {
    return refuse("cannot write " + home + ": " + written.message());
  }
  std::printf("quillet-import: %s written: the line of %s %s, %d %s", home.c_str(),
              result.rootXref.c_str(), result.rootName.c_str(), result.persons,
              result.persons == 1 ? "person" : "persons");
  if (result.outside > 0) {
    std::printf(" (%d more of the file outside that line)", result.outside);
  }
  std::printf("\n");
  return kWritten;
}
