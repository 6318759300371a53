// Drives the main window over the headless backend, for tests: makes a fresh set of process-wide
// objects in the working directory (so home.txt is loaded from there, twice, as at start-up),
// creates and initialises MainDialog (tree view filled, welcome text shown), and then lets the
// test act as a person would and read what the window shows. Texts are GBK.
//
// Use inside a quillet::testing::ScopedTempDir so that each test has its own home.txt.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "app/resources.h"
#include "platform/headless/headless_backend.h"
#include "tests/support/small_clan.h"
#include "tests/support/temp_dir.h"

namespace quillet::testing {

class WindowHarness {
 public:
  WindowHarness()
      : objects_(std::make_unique<ProcessObjects>()),
        dialog_(std::make_unique<MainDialog>(*objects_)) {
    dialog_->Create();
    window_ = static_cast<platform::HeadlessWindow*>(dialog_->peer());
  }
  WindowHarness(const WindowHarness&) = delete;
  WindowHarness& operator=(const WindowHarness&) = delete;

  // --- Acts. Each returns false (doing nothing) when the id is unknown, the control is of the
  // wrong kind, or the window has ended.
  // Types into an edit box as a person would: only what fits its length limit is taken.
  bool type(int id, std::string_view gbk) { return !ended() && done(window_->type(id, gbk)); }
  // Sets an edit box's text regardless of its limit, as a program could; for limit tests.
  bool setText(int id, std::string_view gbk) {
    if (ended() || window_->kindOf(id) != platform::ControlKind::Edit) return false;
    window_->setText(id, gbk);
    return true;
  }
  bool check(int id) { return !ended() && done(window_->check(id)); }
  bool click(int id) { return !ended() && done(window_->click(id)); }
  // Chooses a context-menu entry (the exports).
  bool chooseContextMenu(unsigned id) { return !ended() && done(window_->chooseContextMenu(id)); }
  // Answers for the next message boxes; an unanswered box takes its default button.
  void answerOk() { backend_.queueAnswer(platform::IDOK); }
  void answer(int answer) { backend_.queueAnswer(answer); }
  // The answer of the next file chooser: a path on disk (UTF-8) and the filter selected; an
  // unanswered chooser is cancelled.
  void answerFileName(const std::string& path, std::size_t filter = 0) {
    backend_.queueFileName(path, filter);
  }
  // The import's and 打开's answers: the next folder chooser's path, the next report's button
  // (导入: true).
  void answerFolderName(const std::string& path) { backend_.queueFolderName(path); }
  void answerReport(bool accept) { backend_.queueReportAnswer(accept); }
  // The next choice dialog's answer: a choice's index, or nothing (cancelled); an unanswered one
  // takes its initial choice.
  void answerChoice(std::optional<std::size_t> choice) { backend_.queueChoice(choice); }
  // Cancels the next progress dialog at its `update`-th update (1 the first).
  void cancelProgressAt(std::size_t update) { backend_.cancelProgressAt(update); }

  // --- What the window shows.
  std::string text(int id) const { return window_->text(id); }
  bool isChecked(int id) const { return window_->isChecked(id); }
  // One line per tree item in pre-order: "DEPTH STATE IMAGE LABEL", STATE 'e' expanded, 'c'
  // collapsed, '-' without children; the label is the item's GBK label.
  std::vector<std::string> treeLines() const {
    std::vector<std::string> lines;
    for (const auto& line : window_->treeLines(IDC_TREE)) {
      lines.push_back(std::to_string(line.depth) + ' ' + line.state + ' ' +
                      std::to_string(line.image) + ' ' + line.label);
    }
    return lines;
  }
  // Every message box and nested dialog since the window opened (or clearEvents).
  const std::vector<platform::HeadlessEvent>& events() const { return backend_.events(); }
  std::vector<platform::HeadlessEvent> messageBoxes() const {
    std::vector<platform::HeadlessEvent> boxes;
    for (const platform::HeadlessEvent& event : backend_.events()) {
      if (event.kind == platform::HeadlessEvent::Kind::MessageBox) boxes.push_back(event);
    }
    return boxes;
  }
  void clearEvents() { backend_.clearEvents(); }
  // The window has ended, and with which result (IDOK, IDCANCEL).
  bool ended() const { return window_ == nullptr || window_->ended(); }
  int result() const { return window_ == nullptr ? 0 : window_->result(); }

  MainDialog& dialog() { return *dialog_; }
  platform::HeadlessBackend& backend() { return backend_; }
  ProcessObjects& objects() { return *objects_; }
  platform::HeadlessWindow& window() { return *window_; }

 private:
  static bool done(platform::HeadlessWindow::Act act) {
    return act == platform::HeadlessWindow::Act::Done;
  }
  platform::HeadlessBackend backend_;
  const platform::ScopedBackend installed_{&backend_};
  // Made after the backend is installed and gone before it is put back.
  std::unique_ptr<ProcessObjects> objects_;
  std::unique_ptr<MainDialog> dialog_;
  platform::HeadlessWindow* window_ = nullptr;  // owned by the dialog
};

// The fixture of the window tests: a fresh working directory holding `homeText` as home.txt
// (the small clan by default), and a window opened on it when first asked for.
class WindowTest : public ::testing::Test {
 protected:
  explicit WindowTest(std::string_view homeText) { writeFile("home.txt", homeText); }
  WindowTest() : WindowTest(smallClanFile()) {}

  WindowHarness& window() {
    if (!window_) window_ = std::make_unique<WindowHarness>();
    return *window_;
  }
  FamilyTree& tree() { return window().objects().tree; }

  ScopedTempDir dir_;
  std::unique_ptr<WindowHarness> window_;
};

}  // namespace quillet::testing
