// The real window under a virtual X server, driven from outside as a person drives it: every
// push button of the main window is clicked with the mouse at its centre on the screen (xdotool),
// and each click must reach its button and have its effect: the pane shows a new text, or the
// expected message box opens and is answered with the mouse. No window manager is needed.
//
// The window reports where its controls are and what it shows through its probe file
// (QUILLET_WINDOW_PROBE). Xvfb takes QUILLET_TEST_DISPLAY (":92", say) when set, else the first
// free display.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/resources.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace quillet {
namespace {

using namespace std::chrono_literals;

// A child process, ended (SIGTERM) and reaped when it goes out of scope unless it has exited.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
        const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<std::string> entries;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (!env.contains(entry.substr(0, entry.find('=')))) entries.push_back(entry);
    }
    for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    if (posix_spawnp(&pid_, args[0], actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
  }
  ~Child() {
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool started() const { return pid_ > 0; }
  // The exit status once the child has ended within `limit`; none while it runs.
  std::optional<int> waitExit(std::chrono::milliseconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit;;) {
      int raw = 0;
      if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return status_;
      }
      if (std::chrono::steady_clock::now() > end) return std::nullopt;
      std::this_thread::sleep_for(50ms);
    }
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Starts Xvfb and gives its display name once it is ready, or "" when it does not start.
std::string startXvfb(std::optional<Child>& server) {
  int ready[2];
  if (::pipe(ready) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, ready[0]);
  std::vector<std::string> argv = {"Xvfb"};
  if (const char* display = std::getenv("QUILLET_TEST_DISPLAY")) argv.push_back(display);
  for (const char* arg : {"-screen", "0", "1366x768x24", "-nolisten", "tcp", "-displayfd"}) {
    argv.push_back(arg);
  }
  argv.push_back(std::to_string(ready[1]));
  server.emplace(argv, std::map<std::string, std::string>{}, &actions);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ready[1]);
  std::string number;
  pollfd wait{ready[0], POLLIN, 0};
  char c = 0;
  while (::poll(&wait, 1, 20000) > 0 && ::read(ready[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(ready[0]);
  return number.empty() ? std::string() : ":" + number;
}

// The probe file the window writes, read line by line as it grows.
class Probe {
 public:
  explicit Probe(std::string path) : path_(std::move(path)) {}
  // The next line that begins with `prefix`, skipping the others; none within `limit`.
  std::optional<std::string> next(const std::string& prefix,
                                  std::chrono::milliseconds limit = 10s) {
    for (auto end = std::chrono::steady_clock::now() + limit;;) {
      const std::vector<std::string> all = lines();
      while (read_ < all.size()) {
        const std::string& line = all[read_++];
        if (line.starts_with(prefix)) return line;
      }
      if (std::chrono::steady_clock::now() > end) return std::nullopt;
      std::this_thread::sleep_for(50ms);
    }
  }
  // Whether a line beginning with `prefix` comes before `limit` passes, without skipping past it
  // when none comes.
  bool comes(const std::string& prefix, std::chrono::milliseconds limit) {
    const std::size_t mark = read_;
    if (next(prefix, limit)) return true;
    read_ = mark;
    return false;
  }

 private:
  std::vector<std::string> lines() const {
    std::istringstream in(testing::readFile(path_));
    std::vector<std::string> all;
    for (std::string line; std::getline(in, line);) all.push_back(line);
    if (!all.empty() && !testing::readFile(path_).ends_with('\n')) all.pop_back();  // unfinished
    return all;
  }
  std::string path_;
  std::size_t read_ = 0;
};

// The centre of "NAME X Y W H" (the probe's place lines; NAME is `words` words long).
std::pair<int, int> centreOf(const std::string& line, int words) {
  std::istringstream in(line);
  std::string word;
  for (int i = 0; i < words; ++i) in >> word;
  int x = 0, y = 0, w = 0, h = 0;
  in >> x >> y >> w >> h;
  return {x + w / 2, y + h / 2};
}

bool clickAt(std::pair<int, int> at) {
  const std::string command = "xdotool mousemove --sync " + std::to_string(at.first) + ' ' +
                              std::to_string(at.second) + " click 1";
  return std::system(command.c_str()) == 0;
}

// Answers the message box now opening with its button `answer` (1 OK, 2 Cancel, 6 Yes, 7 No).
void answerBox(Probe& probe, const std::string& caption, int answer) {
  ASSERT_EQ(probe.next("messagebox "), "messagebox " + caption);
  const std::optional<std::string> button = probe.next("button " + std::to_string(answer) + ' ');
  ASSERT_TRUE(button);
  ASSERT_TRUE(probe.next("shown messagebox"));
  ASSERT_TRUE(clickAt(centreOf(*button, 2)));
  EXPECT_EQ(probe.next("answer "), "answer " + std::to_string(answer));
}

TEST(RealWindow, EveryPushButtonAnswersTheMouseAtItsCentre) {
  testing::ScopedTempDir dir;
  for (const auto& file : std::filesystem::directory_iterator(testing::sourcePath("data"))) {
    if (file.path().extension() == ".txt")
      std::filesystem::copy(file.path(), file.path().filename());
  }
  std::optional<Child> server;
  const std::string display = startXvfb(server);
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  ::setenv("DISPLAY", display.c_str(), 1);

  const std::string probePath = dir.path() + "/probe.txt";
  Child window({QUILLET_WINDOW_PATH}, {{"DISPLAY", display},
                                       {"QT_QPA_PLATFORM", "xcb"},
                                       {"QT_SCALE_FACTOR", "1"},
                                       {"QUILLET_WINDOW_PROBE", probePath}});
  ASSERT_TRUE(window.started());
  Probe probe(probePath);
  std::map<int, std::pair<int, int>> centres;
  for (std::optional<std::string> line;
       (line = probe.next("", 20s)) && !line->starts_with("shown ");) {
    if (line->starts_with("control ")) centres[std::stoi(line->substr(8))] = centreOf(*line, 2);
  }

  // Each click first, then the pane's new text: rosters, side texts, help, and the complaints of
  // the panels' buttons with nothing typed, each different from the one before.
  const int changePane[] = {
      IDC_ROSTER_NING, IDC_ROSTER_RONG,    IDC_ROSTER_SHI,   IDC_ROSTER_WANG,
      IDC_ROSTER_XUE,  IDC_ROSTER_OTHER,   IDC_SIDE_MOST,    IDC_SIDE_NUMBER,
      IDC_USAGE,       IDC_ABOUT_SOFTWARE, IDC_PERSON_QUERY, IDC_RELATION_QUERY,
      IDC_FETCH,       IDC_ADD_CHILD,      IDC_MODIFY,       IDC_ADD_WIFE};
  const int keepPane[] = {IDC_RESET_QUERY, IDC_RESET_RELATION, IDC_RESET_BIRTH, IDC_RESET_MARRIAGE};
  std::set<int> clicked;
  for (const int id : changePane) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(centres.contains(id));
    ASSERT_TRUE(clickAt(centres[id]));
    ASSERT_EQ(probe.next("clicked "), "clicked " + std::to_string(id));
    EXPECT_TRUE(probe.next("text 1001 "));
    clicked.insert(id);
  }
  for (const int id : keepPane) {
    ASSERT_TRUE(clickAt(centres[id]));
    ASSERT_EQ(probe.next("clicked "), "clicked " + std::to_string(id));
    EXPECT_FALSE(probe.comes("text 1001 ", 300ms)) << id;
    clicked.insert(id);
  }
  // 保存修改: the warning, answered Cancel. 退出程序: the exit question, Cancel, then OK.
  ASSERT_TRUE(clickAt(centres[IDC_SAVE]));
  ASSERT_EQ(probe.next("clicked "), "clicked " + std::to_string(IDC_SAVE));
  answerBox(probe, "警告", 2);
  ASSERT_TRUE(clickAt(centres[1]));
  ASSERT_EQ(probe.next("clicked "), "clicked 1");
  answerBox(probe, "Morvane提示", 2);
  EXPECT_FALSE(window.waitExit(300ms));
  ASSERT_TRUE(clickAt(centres[1]));
  answerBox(probe, "Morvane提示", 1);
  EXPECT_EQ(window.waitExit(10s), 0);
  clicked.insert({IDC_SAVE, 1});

  std::set<int> buttons;
  for (const platform::ControlTemplate& control : mainDialogTemplate().controls) {
    if (control.kind == platform::ControlKind::PushButton) buttons.insert(control.id);
  }
  EXPECT_EQ(clicked, buttons);
}

}  // namespace
}  // namespace quillet
