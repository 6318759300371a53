// The start of a window program over the Qt backend, for entry points that include no Qt: the
// Qt application, Qt's own Chinese texts and the backend are made here, around the program; and
// the options Qt's application takes from the command line itself, so that a program's own
// command line leaves them to Qt.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// An option that Qt reads from the command line ("-NAME" or "--NAME"): a value follows as the
// next argument when it `takesValue`, or after '=' where `joined`.
struct QtCommandLineOption {
  std::string_view name;
  bool takesValue;
  bool joined;
};

// The option of Qt's that the command-line argument `argument` ("-platform", "--style=fusion")
// names, or null when it names none (or does not start with '-').
const QtCommandLineOption* qtCommandLineOption(std::string_view argument);

// Why the X display `name` (as DISPLAY gives it: ":0", "host:10.0") cannot be opened, in English
// words for a message ("no X server answers there, or it refused the connection"); nothing when
// it can be. Opens the display and closes it again at once, without Qt.
std::optional<std::string> xDisplayProblem(const std::string& name);

// Runs `program` inside a Qt application made from the command line (Qt takes its own options
// out of argc and argv) whose own dialogs are Chinese (platform::makeChineseApplication), with a
// QtBackend installed as the process's backend; the previous backend is put back afterwards.
// Returns what `program` returns. REQUIRES: no Qt application exists yet; `argc` and `argv`
// outlive the call.
int runQtApplication(int& argc, char** argv, const std::function<int()>& program);

}  // namespace platform
