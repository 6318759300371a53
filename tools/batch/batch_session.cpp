#include "tools/batch/batch_session.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/process_objects.h"
#include "app/resources.h"
#include "platform/headless/headless_backend.h"
#include "platform/status.h"
#include "tools/batch/batch_text.h"

namespace quillet::batch {

namespace {

using platform::ControlKind;
using platform::HeadlessEvent;
using platform::HeadlessWindow;
using platform::Status;

// A number as a command gives it: decimal digits, or hexadecimal ones after 0x. Nothing when it
// is malformed; LONG_MAX when it is too large for a long.
std::optional<long> parseNumber(std::string_view text) {
  long value = 0;
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (end != text.data() + text.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range) return std::numeric_limits<long>::max();
  if (error != std::errc() || value < 0) return std::nullopt;
  return value;
}

// The control id a parsed number names: itself when it fits an int; nothing when it is too
// large to be any control's id (it must never wrap round to another control's).
std::optional<int> controlIdOf(long number) {
  if (number > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(number);
}

std::string unknownId(std::string_view typed) { return "unknown control id " + std::string(typed); }

const char* answerName(int answer) {
  switch (answer) {
    case platform::IDOK:
      return "ok";
    case platform::IDYES:
      return "yes";
    case platform::IDNO:
      return "no";
    default:
      return "cancel";
  }
}

const char* buttonsName(unsigned type) {
  switch (type & platform::MB_TYPEMASK) {
    case platform::MB_OKCANCEL:
      return "okcancel";
    case platform::MB_YESNOCANCEL:
      return "yesnocancel";
    default:
      return "ok";
  }
}

void printEvent(std::ostream& out, const HeadlessEvent& event) {
  switch (event.kind) {
    case HeadlessEvent::Kind::MessageBox:
      out << "messagebox caption: " << encodeOutputText(event.caption) << '\n'
          << "messagebox text: " << encodeOutputText(event.text) << '\n'
          << "messagebox buttons: " << buttonsName(event.type)
          << " default: " << answerName(platform::defaultMessageBoxAnswer(event.type))
          << " answer: " << answerName(event.answer) << '\n';
      break;
    case HeadlessEvent::Kind::DialogOpened:
      out << "dialog " << event.dialogId << " open: " << encodeOutputText(event.caption) << '\n';
      break;
    case HeadlessEvent::Kind::DialogClosed:
      out << "dialog " << event.dialogId << " closed\n";
      break;
    case HeadlessEvent::Kind::FileChooser:
    case HeadlessEvent::Kind::Report:
    case HeadlessEvent::Kind::Progress:
    case HeadlessEvent::Kind::Choice:
      break;  // no command of the batch opens one
  }
}

// Why a command is refused: the words after "error: line N: ".
Status refused(std::string why) {
  return Status::error(Status::Code::kInvalidInput, std::move(why));
}

// A command line split at its first space: the command and the rest (which may be empty, or
// missing altogether when there is no space).
struct CommandLine {
  std::string_view command;
  std::string_view rest;
  bool hasRest = false;
};

CommandLine splitCommand(std::string_view line) {
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos) return {line, {}, false};
  return {line.substr(0, space), line.substr(space + 1), true};
}

// Reads and runs the commands while the window is open. Stops at the end of the input, when the
// window ends, or at the first bad command (then `failure` holds the error line).
class Session {
 public:
  Session(platform::HeadlessBackend& backend, std::istream& in, std::ostream& out)
      : backend_(backend), in_(in), out_(out) {}

  void drive(HeadlessWindow& window) {
    std::string line;
    while (!window.ended() && std::getline(in_, line)) {
      ++lineNumber_;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line.front() == '#') continue;
      if (const Status done = run(window, line); !done.ok()) {
        failure_ = Status::error(
            done.code(), "error: line " + std::to_string(lineNumber_) + ": " + done.message());
        return;
      }
    }
    if (window.ended()) {
      out_ << "end: " << (window.result() == platform::IDOK ? "ok" : "cancel") << '\n';
    } else {
      out_ << "end: input\n";
    }
  }

  // Ok, or the error line of the command that stopped the run.
  const Status& failure() const { return failure_; }

 private:
  // Runs one command; why it is refused.
  Status run(HeadlessWindow& window, std::string_view line) {
    const auto [command, rest, hasRest] = splitCommand(line);
    if (command == "type") return type(window, rest);
    if (command == "check" || command == "click" || command == "print") {
      return actOnControl(window, command, rest, hasRest);
    }
    if (command == "key") return key(window, rest);
    if (command == "close" && !hasRest) {
      window.close();
      return {};
    }
    if (command == "syscommand") return sysCommand(window, rest, hasRest);
    if (command == "answer") return answer(rest);
    if (command == "select") return select(window, rest, hasRest);
    if (command == "selected" && !hasRest) return printSelected(window);
    if (command == "marked" && !hasRest) return printMarked(window);
    if (command == "set") return setView(window, rest);
    if (command == "find") return find(window, rest);
    if (command == "tree" && !hasRest) return printTree(window);
    return refused("malformed command");
  }

  // type ID TEXT
  static Status type(HeadlessWindow& window, std::string_view rest) {
    const std::size_t idEnd = rest.find(' ');
    const std::string_view idText = rest.substr(0, idEnd);
    const std::string_view text =
        idEnd == std::string_view::npos ? std::string_view() : rest.substr(idEnd + 1);
    std::optional<long> id = parseNumber(idText);
    if (!id) return refused("type: malformed control id");
    std::optional<std::string> gbk = decodeInputText(text);
    if (!gbk) return refused("type: malformed escape in text");
    const std::optional<int> control = controlIdOf(*id);
    if (!control) return refused(unknownId(idText));
    return act(window.type(*control, *gbk), *id, "an edit box a person can type in");
  }

  // check ID, click ID, print ID
  Status actOnControl(HeadlessWindow& window, std::string_view command, std::string_view rest,
                      bool hasRest) {
    std::optional<long> id = parseNumber(rest);
    if (!hasRest || !id) return refused(std::string(command) + ": malformed control id");
    const std::optional<int> control = controlIdOf(*id);
    if (!control) return refused(unknownId(rest));
    if (command == "check") return act(window.check(*control), *id, "a radio button");
    if (command == "click") return act(window.click(*control), *id, "a push button");
    return print(window, *control);
  }

  static Status key(HeadlessWindow& window, std::string_view rest) {
    if (rest == "enter") {
      window.keyEnter();
    } else if (rest == "esc") {
      window.keyEsc();
    } else if (rest == "ctrl+z" || rest == "ctrl+y") {
      window.keyCtrl(rest == "ctrl+z" ? 'Z' : 'Y');
    } else {
      return refused("key: expected enter, esc, ctrl+z or ctrl+y");
    }
    return {};
  }

  static Status sysCommand(HeadlessWindow& window, std::string_view rest, bool hasRest) {
    std::optional<long> id = parseNumber(rest);
    if (!hasRest || !id || *id > 0xFFFF) return refused("syscommand: malformed command id");
    window.sysCommand(static_cast<unsigned>(*id));
    return {};
  }

  // answer ok|cancel|yes|no: the answer to the next message box.
  Status answer(std::string_view rest) {
    for (const int answer : {platform::IDOK, platform::IDCANCEL, platform::IDYES, platform::IDNO}) {
      if (rest == answerName(answer)) {
        backend_.queueAnswer(answer);
        return {};
      }
    }
    return refused("answer: expected ok, cancel, yes or no");
  }

  static Status select(HeadlessWindow& window, std::string_view rest, bool hasRest) {
    // A line number is decimal digits only: not 0x10, not -0 or +1.
    const bool decimal = !rest.empty() && std::all_of(rest.begin(), rest.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
    std::optional<long> line = decimal ? parseNumber(rest) : std::nullopt;
    if (!hasRest || !line) return refused("select: malformed tree line number");
    if (window.selectTreeLine(IDC_TREE, static_cast<std::size_t>(*line)) !=
        HeadlessWindow::Act::Done) {
      return refused("select: no tree line " + std::string(rest));  // as typed, never clamped
    }
    return {};
  }

  Status printSelected(HeadlessWindow& window) {
    const std::optional<std::size_t> line = window.selectedTreeLine(IDC_TREE);
    out_ << "selected " << (line ? std::to_string(*line) : std::string("none")) << '\n';
    return {};
  }

  Status printMarked(HeadlessWindow& window) {
    const std::vector<std::size_t> lines = window.markedTreeLines(IDC_TREE);
    out_ << "marked";
    if (lines.empty()) out_ << " none";
    for (std::size_t line : lines) out_ << ' ' << line;
    out_ << '\n';
    return {};
  }

  // A view of the 视图 menu, on or off: its entry is chosen when it is not so already.
  static Status setView(HeadlessWindow& window, std::string_view rest) {
    const std::size_t valueAt = rest.find(' ');
    const std::string_view view = rest.substr(0, valueAt);
    const std::string_view value =
        valueAt == std::string_view::npos ? std::string_view() : rest.substr(valueAt + 1);
    const int entry = view == "exact-terms"     ? ID_VIEW_EXACT_TERMS
                      : view == "chinese-dates" ? ID_VIEW_CHINESE_DATES
                                                : 0;
    if (entry == 0 || (value != "on" && value != "off")) {
      return refused("set: expected exact-terms or chinese-dates, then on or off");
    }
    if (window.menuBarChecked(static_cast<unsigned>(entry)) != (value == "on")) {
      window.chooseMenuBar(static_cast<unsigned>(entry));
    }
    return {};
  }

  static Status find(HeadlessWindow& window, std::string_view rest) {
    std::optional<std::string> gbk = decodeInputText(rest);
    if (!gbk) return refused("find: malformed escape in text");
    window.findInTree(IDC_TREE, *gbk);
    return {};
  }

  Status printTree(HeadlessWindow& window) {
    for (const HeadlessWindow::TreeLine& item : window.treeLines(IDC_TREE)) {
      out_ << "tree " << item.depth << ' ' << item.state << ' ' << item.image << ' '
           << encodeOutputText(item.label) << '\n';
    }
    out_ << "tree end\n";
    return {};
  }

  static Status act(HeadlessWindow::Act result, long id, const char* expected) {
    switch (result) {
      case HeadlessWindow::Act::Done:
        return {};
      case HeadlessWindow::Act::UnknownId:
        return refused("unknown control id " + std::to_string(id));
      case HeadlessWindow::Act::WrongKind:
      case HeadlessWindow::Act::NoSuchItem:
      case HeadlessWindow::Act::Disabled:  // no command of the batch chooses a menu entry
        return refused("control " + std::to_string(id) + " is not " + expected);
    }
    return {};
  }

  Status print(HeadlessWindow& window, int id) {
    const std::optional<ControlKind> kind = window.kindOf(id);
    if (!kind) return refused("unknown control id " + std::to_string(id));
    if (*kind == ControlKind::Edit) {
      printEditBox(window, id, out_);
    } else if (*kind == ControlKind::RadioButton) {
      out_ << id << ": " << (window.isChecked(id) ? "checked" : "unchecked") << '\n';
    } else {
      return refused("control " + std::to_string(id) +
                     " is neither an edit box nor a radio button");
    }
    return {};
  }

  platform::HeadlessBackend& backend_;
  std::istream& in_;
  std::ostream& out_;
  int lineNumber_ = 0;
  Status failure_;
};

}  // namespace

void printEditBox(const platform::HeadlessWindow& window, int id, std::ostream& out) {
  out << id << ": ";
  writeOutputText(window.textView(id), out);
  out << '\n';
}

int runBatch(std::istream& in, std::ostream& out, std::ostream& err) {
  platform::HeadlessBackend backend;
  Session session(backend, in, out);
  backend.setListener([&out](const HeadlessEvent& event) { printEvent(out, event); });
  backend.setDriver([&session](HeadlessWindow& window) { session.drive(window); });
  {
    const platform::ScopedBackend installed(&backend);
    ProcessObjects objects;
    objects.app.InitInstance(objects);
  }
  out.flush();
  if (!session.failure().ok()) {
    err << session.failure().message() << '\n';
    return 2;
  }
  return 0;
}

}  // namespace quillet::batch
