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
    "or no display is set or the one named (DISPLAY) cannot be opened; 2 for bad usage.\n";

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

struct WindowRequest {
  bool help = false;
  bool version = false;
  bool userGenealogy = false;
  std::optional<std::string> platform;  // -platform NAME: the toolkit's window system
  std::optional<std::string> display;   // -display NAME: the X display
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
        const std::size_t equals = argument.find('=');
        if (option->takesValue && equals == std::string_view::npos && ++i >= argc) {
          return usageError(kWindowProgram,
                            "option '" + std::string(argument) + "' requires an argument");
        }
        if (option->takesValue) {
          const std::string value = equals == std::string_view::npos
                                        ? std::string(argv[i])
                                        : std::string(argument.substr(equals + 1));
          if (option->name == "platform") request.platform = value;
          if (option->name == "display") request.display = value;
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
    const platform::Status seeded = seedGenealogy(folder, shippedGenealogyFolder());
    if (!seeded.ok()) return failure(seeded.message());
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

constexpr const char kUseBatch[] =
    "quillet-batch runs the same window without a screen; see quillet-batch(1).\n";

// Whether the toolkit can be expected to show the window, else the exit status after saying why
// on standard error. Where it would use X (its window system is xcb, named or by default, and no
// Wayland display is named), the X display named by -display or DISPLAY is opened and closed
// again first: the toolkit ends the program with an abort (and a core dump) when it cannot.
std::optional<int> checkDisplay(const WindowRequest& request) {
  const std::string platformName =
      request.platform ? *request.platform : std::string(environment("QT_QPA_PLATFORM"));
  if (!platformName.empty() && !platformName.starts_with("xcb")) return std::nullopt;
  if (platformName.empty() &&
      (!environment("WAYLAND_DISPLAY").empty() || environment("XDG_SESSION_TYPE") == "wayland")) {
    return std::nullopt;
  }
  const std::string display =
      request.display ? *request.display : std::string(environment("DISPLAY"));
  if (display.empty()) {
    std::fprintf(stderr, "quillet: no display to show the window on (DISPLAY is not set)\n%s",
                 kUseBatch);
    return kExitFailure;
  }
  if (const std::optional<std::string> why = platform::xDisplayProblem(display)) {
    std::fprintf(stderr, "quillet: cannot open the display '%s' that %s names (%s)\n%s",
                 display.c_str(), request.display ? "-display" : "DISPLAY", why->c_str(),
                 kUseBatch);
    return kExitFailure;
  }
  return std::nullopt;
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
  return checkDisplay(request);
}

}  // namespace quillet
