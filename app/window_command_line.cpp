#include "app/window_command_line.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/user_genealogy.h"
#include "platform/command_line.h"
#include "platform/qt/qt_application.h"

namespace quillet {

namespace fs = std::filesystem;

using platform::kExitFailure;
using platform::kExitSuccess;
using platform::printVersion;
using platform::usageError;

namespace {

constexpr std::string_view kWindowProgram = "quillet";

constexpr const char kWindowHelp[] =
    "Usage: quillet [OPTION]... [FOLDER]\n"
    "Open the genealogy window on the genealogy kept in FOLDER: its home.txt, the household\n"
    "rosters, the side texts and the person texts. FOLDER may also be given as FOLDER/home.txt.\n"
    "With no FOLDER, the working directory is used. Saving writes home.txt there.\n"
    "\n"
    "      --user-genealogy  open your own genealogy in $XDG_DATA_HOME/quillet\n"
    "                          (~/.local/share/quillet), made from the shipped one on the\n"
    "                          first start; the desktop menu entry starts this\n"
    "  -h, --help            display this help and exit\n"
    "      --version         output version information and exit\n"
    "\n"
    "Qt's window options (-platform NAME, -style NAME, -reverse, ...) are passed on.\n"
    "quillet-batch runs the same window without a screen.\n"
    "\n"
    "Exit status: 0 when the window has closed; 1 when the folder cannot be opened or made,\n"
    "or no display is found; 2 for bad usage.\n";

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

struct WindowRequest {
  bool help = false;
  bool version = false;
  bool userGenealogy = false;
  bool displayGiven = false;  // -platform or -display: the toolkit is told where to show
  std::optional<std::string> folder;
};

// Reads the arguments into `request`; the exit status when they are wrong.
std::optional<int> parseWindowArguments(int argc, char** argv, WindowRequest& request) {
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
      if (argument == "--help" || argument == "-h") {
        request.help = true;
      } else if (argument == "--version") {
        request.version = true;
      } else if (argument == "--user-genealogy") {
        request.userGenealogy = true;
      } else if (const platform::QtCommandLineOption* option =
                     platform::qtCommandLineOption(argument)) {
        request.displayGiven |= option->name == "platform" || option->name == "display";
        if (option->takesValue && argument.find('=') == std::string_view::npos && ++i >= argc) {
          return usageError(kWindowProgram,
                            "option '" + std::string(argument) + "' requires an argument");
        }
      } else {
        return usageError(kWindowProgram, "unrecognized option '" + std::string(argument) + "'");
      }
    } else if (request.folder) {
      return usageError(kWindowProgram, "extra operand '" + std::string(argument) + "'");
    } else {
      request.folder = std::string(argument);
    }
  }
  if (request.userGenealogy && request.folder) {
    return usageError(kWindowProgram, "--user-genealogy takes no FOLDER");
  }
  return std::nullopt;
}

int failure(const std::string& why) {
  std::fprintf(stderr, "quillet: %s\n", why.c_str());
  return kExitFailure;
}

// The folder to work in, or an exit status.
std::optional<int> openGenealogyFolder(const WindowRequest& request) {
  fs::path folder;
  if (request.userGenealogy) {
    folder = userGenealogyFolder();
    if (folder.empty()) return failure("cannot find your data folder: HOME is not set");
    std::string why;
    if (!seedGenealogy(folder, shippedGenealogyFolder(), why)) return failure(why);
  } else if (request.folder) {
    folder = *request.folder;
    std::error_code error;
    if (folder.filename() == "home.txt" && !fs::is_directory(folder, error)) {
      folder = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
    }
  }
  if (folder.empty()) return std::nullopt;
  std::error_code error;
  fs::current_path(folder, error);
  if (error) {
    return failure("cannot open the genealogy folder '" + folder.string() +
                   "': " + error.message());
  }
  return std::nullopt;
}

// Whether Qt can be expected to find a display: it is told one, or the environment names one.
bool displayReachable(const WindowRequest& request) {
  if (request.displayGiven) return true;
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    if (!environment(name).empty()) return true;
  }
  return environment("XDG_SESSION_TYPE") == "wayland";
}

}  // namespace

std::optional<int> startWindowProgram(int argc, char** argv) {
  WindowRequest request;
  if (const auto status = parseWindowArguments(argc, argv, request)) return status;
  if (request.help) {
    std::fputs(kWindowHelp, stdout);
    return kExitSuccess;
  }
  if (request.version) {
    printVersion(kWindowProgram);
    return kExitSuccess;
  }
  if (const auto status = openGenealogyFolder(request)) return status;
  if (!displayReachable(request)) {
    std::fputs(
        "quillet: no display to show the window on (DISPLAY is not set)\n"
        "quillet-batch runs the same window without a screen; see quillet-batch(1).\n",
        stderr);
    return kExitFailure;
  }
  return std::nullopt;
}

}  // namespace quillet
