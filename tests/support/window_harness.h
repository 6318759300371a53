// Drives the main window over the headless backend, for tests: makes a fresh set of process-wide
// objects in the working directory (so home.txt is loaded from there, twice, as at start-up),
// creates and initialises MainDialog (tree view filled, welcome text shown), and then lets the
// test act as a person would and read what the window shows. Texts are GBK.
//
// Use inside a quillet::testing::ScopedTempDir so that each test has its own home.txt.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "platform/headless/headless_backend.h"

namespace quillet::testing {

class WindowHarness {
 public:
  WindowHarness();
  ~WindowHarness();
  WindowHarness(const WindowHarness&) = delete;
  WindowHarness& operator=(const WindowHarness&) = delete;

  // --- Acts. Each returns false (doing nothing) when the id is unknown, the control is of the
  // wrong kind, or the window has ended.
  // Types into an edit box as a person would: only what fits its length limit is taken.
  bool type(int id, std::string_view gbk);
  // Sets an edit box's text regardless of its limit, as a program could; for limit tests.
  bool setText(int id, std::string_view gbk);
  bool check(int id);
  bool click(int id);
  void keyEnter();  // Enter in an edit box: the default button 1 (the exit question)
  void keyEsc();
  void close();                  // the close box
  void sysCommand(unsigned id);  // 16: the About entry
  // Chooses a context-menu entry (the exports).
  bool chooseContextMenu(unsigned id);
  // Answers for the next message boxes; an unanswered box takes its default button.
  void answerOk();
  void answerCancel();
  // The answer of the next file chooser: a path on disk (UTF-8) and the filter selected; an
  // unanswered chooser is cancelled.
  void answerFileName(const std::string& path, std::size_t filter = 0);

  // --- What the window shows.
  std::string text(int id) const;
  bool isChecked(int id) const;
  // One line per tree item in pre-order: "DEPTH STATE IMAGE LABEL", STATE 'e' expanded, 'c'
  // collapsed, '-' without children; the label is the item's GBK label.
  std::vector<std::string> treeLines() const;
  // Every message box and nested dialog since the window opened (or clearEvents).
  const std::vector<platform::HeadlessEvent>& events() const;
  std::vector<platform::HeadlessEvent> messageBoxes() const;
  void clearEvents();
  // The window has ended, and with which result (IDOK, IDCANCEL).
  bool ended() const;
  int result() const;

  MainDialog& dialog() { return *dialog_; }
  ProcessObjects& objects() { return *objects_; }
  platform::HeadlessWindow& window() { return *window_; }

 private:
  platform::HeadlessBackend backend_;
  const platform::ScopedBackend installed_{&backend_};
  // Made after the backend is installed and gone before it is put back.
  std::unique_ptr<ProcessObjects> objects_;
  std::unique_ptr<MainDialog> dialog_;
  platform::HeadlessWindow* window_ = nullptr;  // owned by the dialog
};

}  // namespace quillet::testing
