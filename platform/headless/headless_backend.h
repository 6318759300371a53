// The in-memory twin of the window system: controls kept in memory, message boxes and file
// choosers answered from queues, nested modal dialogs closed at once by their default push
// button. Tests and quillet-batch drive a window through HeadlessWindow's acts (type, check,
// click, keys, context-menu entries), which reach the dialog by the same routes as a person's
// acts in the real window.
//
// Texts are GBK. Single-threaded.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/dialog/backend.h"
#include "platform/dialog/tree_items.h"

namespace platform {

class HeadlessBackend;
class HeadlessProgress;

// What the headless window system shows besides the controls, in the order it happens.
struct HeadlessEvent {
  // Progress: a progress dialog, recorded when it closes; `type` holds its number of steps and
  // `answer` IDCANCEL when the person cancelled it, else IDOK. Choice: a choice dialog; `text`
  // holds its text and choices, one a line, `type` the choice taken and `answer` IDOK, or IDCANCEL
  // when it was cancelled.
  enum class Kind { MessageBox, DialogOpened, DialogClosed, FileChooser, Report, Progress, Choice };
  Kind kind;
  std::string caption;  // message box, dialog or file chooser caption (GBK)
  std::string text;     // message box text, the file chooser's suggested name, or a report's
                        // text and lines, one a line (GBK)
  unsigned type = 0;    // message box type (MB_*); for a folder chooser its FolderChoice
  int answer = 0;       // message box answer: IDOK, IDCANCEL, IDYES or IDNO; for a file
                        // chooser IDOK (a file chosen) or IDCANCEL; for a report IDOK
                        // (accepted) or IDCANCEL
  int dialogId = 0;     // template id of the dialog opened or closed
};

class HeadlessWindow : public WindowPeer {
 public:
  // Result of an act: done, or why it does not fit (Disabled: a menu entry greyed out).
  enum class Act { Done, UnknownId, WrongKind, NoSuchItem, Disabled };

  struct TreeLine {
    int depth;
    char state;  // 'e' expanded with children, 'c' collapsed with children, '-' no children
    int image;
    std::string label;  // GBK
    HTREEITEM item;
  };

  HeadlessWindow(HeadlessBackend& backend, const DialogTemplate& dialogTemplate,
                 WindowEvents& events, bool nested);
  ~HeadlessWindow() override;

  // --- A person's acts -----------------------------------------------------------------------
  // Sets an edit box's text as typing it would: where the box has a length limit, only the
  // longest prefix of whole GBK characters that fits is taken.
  Act type(int id, std::string_view gbk);
  // Checks a radio button and clears the others of its group.
  Act check(int id);
  // Clicks a push button.
  Act click(int id);
  // Chooses the context-menu entry of command `commandId` (UnknownId when there is none,
  // Disabled when it is greyed out).
  Act chooseContextMenu(unsigned commandId);
  // Enter in an edit box: the default push button is pressed.
  void keyEnter();
  void keyEsc();
  // A key with Ctrl (and Shift, with `shift`) while the focus is outside the edit boxes: the
  // command of the template's accelerator for it (UnknownId when there is none).
  Act keyCtrl(char letter, bool shift = false);
  // Chooses the entry of command `commandId` of the template's menu bar, or of a list that one of
  // its entries opens (UnknownId when there is none, Disabled when it is greyed out).
  Act chooseMenuBar(unsigned commandId);
  // Types `gbk` into the find field of tree control `treeId` and presses Enter: the first item
  // after the selected one (from the first when none is), wrapping round, whose label matches
  // (platform/dialog/tree_find.h) is selected as a click selects it, and the dialog is told.
  // Nothing happens when no label matches or `gbk` is empty. UnknownId / WrongKind when
  // `treeId` is no control / no tree control.
  Act findInTree(int treeId, std::string_view gbk);
  // The close box.
  void close();
  void sysCommand(unsigned id);
  // Selects the item shown on line `line` (0 first) of treeLines(treeId), as a click on it does:
  // the dialog is told, even when the item was selected already.
  Act selectTreeLine(int treeId, std::size_t line);

  // --- What the window shows -----------------------------------------------------------------
  std::optional<ControlKind> kindOf(int id) const;
  // The text of edit box `id` (empty for no edit box), without a copy; valid until it changes.
  std::string_view textView(int id) const;
  // Every item in pre-order. Image indices given as I_IMAGECALLBACK are asked of the dialog.
  std::vector<TreeLine> treeLines(int treeId) const;
  // The line of treeLines(treeId) that shows the selected item; none when nothing is selected.
  std::optional<std::size_t> selectedTreeLine(int treeId) const;
  // The lines of treeLines(treeId) that show marked items, in the order they were marked.
  std::vector<std::size_t> markedTreeLines(int treeId) const;
  // How often the find field of a tree was opened.
  int findOpened() const { return findOpened_; }
  // Whether the menu-bar entry of command `commandId` shows its check mark.
  bool menuBarChecked(unsigned commandId) const { return checkedEntries_.contains(commandId); }
  // The text and state of command `commandId`'s menu entries as the window last set them
  // (setCommandEntry); none when it never did, and the entries are then as appended.
  struct CommandEntry {
    bool enabled = true;
    std::string text;  // GBK, without the key a menu-bar entry shows after a tab
  };
  std::optional<CommandEntry> commandEntry(unsigned commandId) const;
  // The entries of the list under the menu-bar entry `listId`, as last set.
  std::vector<std::string> menuBarList(unsigned listId) const;
  // The window's title: the template's caption until the window sets another.
  const std::string& title() const { return title_; }
  std::size_t limitOf(int id) const;
  // The system menu's entries as appended (separators have an empty text and id 0).
  const std::vector<std::pair<unsigned, std::string>>& systemMenu() const { return systemMenu_; }
  // The context menu's own entries as appended, in the same form.
  const std::vector<std::pair<unsigned, std::string>>& contextMenu() const { return contextMenu_; }
  int iconsSet() const { return iconsSet_; }
  int result() const { return result_; }
  const DialogTemplate& dialogTemplate() const { return template_; }

  // --- WindowPeer ----------------------------------------------------------------------------
  int runModalLoop() override;
  void endDialog(int result) override;
  bool ended() const override { return ended_; }
  std::string text(int id) const override;
  void copyText(int id, std::string& value) const override;
  void setText(int id, std::string_view gbk) override;
  void setLimit(int id, std::size_t bytes) override;
  bool isChecked(int id) const override;
  void setChecked(int id, bool checked) override;
  const TreeItems* treeItems(int id) const override;
  HTREEITEM insertTreeItem(int id, std::string_view gbkLabel, int image, int selectedImage,
                           HTREEITEM parent, HTREEITEM insertAfter, std::intptr_t data) override;
  bool setTreeItemText(int id, HTREEITEM item, std::string_view gbkLabel) override;
  bool deleteAllTreeItems(int id) override;
  bool expandTreeItem(int id, HTREEITEM item, unsigned code) override;
  bool expandAllTreeItems(int id) override;
  void setTreeImageSize(int id, int width, int height) override;
  bool selectTreeItem(int id, HTREEITEM item) override;
  HTREEITEM selectedTreeItem(int id) const override;
  bool ensureTreeItemVisible(int id, HTREEITEM item) override;
  bool removeNewestTreeItem(int id) override;
  bool markTreeItem(int id, HTREEITEM item, bool marked) override;
  void openTreeFind(int id) override;
  void checkMenuBarEntry(unsigned commandId, bool checked) override;
  void setCommandEntry(unsigned commandId, bool enabled, std::string_view gbkText) override;
  void setMenuBarList(unsigned listId, std::span<const std::string> gbkTexts) override;
  void setTitle(std::string_view gbk) override;
  bool hasSystemMenu() const override;
  void appendSystemMenu(unsigned flags, unsigned commandId, std::string_view gbk) override;
  void appendContextMenu(unsigned flags, unsigned commandId, std::string_view gbk) override;
  void setIcon(const IconResource& icon, bool big) override;

 private:
  struct Control {
    ControlKind kind;
    std::uint32_t style = 0;
    std::string text;
    bool checked = false;
    std::size_t limit = 0;  // 0: none
  };
  struct Tree {
    TreeItems items;
    HTREEITEM selected = TVI_NULL;
    // Each marked item and when it was marked (a count that grows): marking and unmarking cost
    // the same however many items are marked.
    std::unordered_map<HTREEITEM, std::uint64_t> marked;
    std::uint64_t marks = 0;
  };

  Control* find(int id);
  const Control* find(int id) const;
  int defaultButtonId() const;
  Tree* treeOf(int id);
  const Tree* treeOf(int id) const;

  HeadlessBackend& backend_;
  const DialogTemplate& template_;
  WindowEvents& events_;
  bool nested_;
  std::map<int, Control> controls_;
  std::map<int, Tree> trees_;  // one for each tree control
  std::vector<std::pair<unsigned, std::string>> systemMenu_;
  std::vector<std::pair<unsigned, std::string>> contextMenu_;
  int findOpened_ = 0;
  std::set<unsigned> checkedEntries_;
  std::map<unsigned, CommandEntry> commandEntries_;
  std::map<unsigned, std::vector<std::string>> menuBarLists_;
  std::string title_;
  int iconsSet_ = 0;
  bool ended_ = false;
  int result_ = 0;
};

class HeadlessBackend : public Backend {
 public:
  // Runs a top-level window's modal loop: it feeds the window's acts and returns when it has no
  // more (or the window ended). Without a driver a top-level loop returns at once.
  using Driver = std::function<void(HeadlessWindow&)>;
  using Listener = std::function<void(const HeadlessEvent&)>;

  void setDriver(Driver driver) { driver_ = std::move(driver); }
  // Called for each event as it happens (besides keeping it in events()).
  void setListener(Listener listener) { listener_ = std::move(listener); }
  // Queues the answer (IDOK, IDCANCEL, IDYES or IDNO) of the next message box. A box whose
  // buttons do not include the answer takes its default button, as does a box with no answer
  // queued.
  void queueAnswer(int answer) { answers_.push_back(answer); }
  // Queues the answer of the next file chooser: the path it gives and the filter selected (one
  // the chooser does not offer selects its first). A chooser with no answer queued is cancelled.
  void queueFileName(std::string path, std::size_t filter = 0) {
    fileNames_.push_back({std::move(path), filter});
  }
  // The import's and 打开's choosers and the import's report (below) take their answers from
  // queues of their own: an open-file chooser the next of queueFileName's paths, a folder chooser
  // of either kind the next of queueFolderName's, a report the next of queueReportAnswer's (none
  // queued: rejected). A folder chooser gives its path as queued, made or not, as a person may
  // type the name of a folder that does not exist.
  void queueFolderName(std::string path) { folderNames_.push_back(std::move(path)); }
  void queueReportAnswer(bool accept) { reportAnswers_.push_back(accept); }
  // Queues the answer of the next choice dialog: the index of a choice, or nothing to cancel it.
  // A dialog with no answer queued takes its initial choice; an index it does not offer cancels.
  void queueChoice(std::optional<std::size_t> choice) { choices_.push_back(choice); }
  // The next progress dialog is cancelled at its `update`-th update (1 the first): that update
  // and every later one answer that the person cancelled. A dialog without it runs to its end.
  void cancelProgressAt(std::size_t update) { progressCancelAt_ = update; }
  const std::vector<HeadlessEvent>& events() const { return events_; }
  void clearEvents() { events_.clear(); }
  // The top-level window open now, or null.
  HeadlessWindow* topWindow() const { return topWindow_; }
  // The list of the genealogies opened last: in memory, empty at first, for the backend's life.
  MemoryRecentList& recent() { return recent_; }

  std::unique_ptr<WindowPeer> createWindow(const DialogTemplate& dialogTemplate,
                                           WindowEvents& events, WindowPeer* parent) override;
  int messageBox(WindowPeer* parent, std::string_view gbkText, std::string_view gbkCaption,
                 unsigned type) override;
  std::optional<SaveFileChoice> saveFileName(WindowPeer* parent, std::string_view gbkCaption,
                                             std::string_view gbkSuggestedName,
                                             std::span<const std::string_view> gbkFilters) override;
  std::optional<std::string> openFileName(WindowPeer* parent, std::string_view gbkCaption,
                                          std::span<const std::string_view> gbkFilters) override;
  std::optional<std::string> folderName(WindowPeer* parent, std::string_view gbkCaption,
                                        FolderChoice choice) override;
  bool reportDialog(WindowPeer* parent, std::string_view gbkCaption, std::string_view gbkText,
                    std::span<const std::string> gbkLines, std::string_view gbkAccept,
                    std::string_view gbkReject) override;
  std::optional<std::size_t> choiceDialog(WindowPeer* parent, std::string_view gbkCaption,
                                          std::string_view gbkText,
                                          std::span<const std::string_view> gbkChoices,
                                          std::size_t initial) override;
  std::unique_ptr<ProgressDialog> openProgress(WindowPeer* parent, std::string_view gbkCaption,
                                               std::string_view gbkText,
                                               std::size_t steps) override;
  RecentList& recentList() override { return recent_; }

 private:
  friend class HeadlessWindow;
  friend class HeadlessProgress;
  void record(HeadlessEvent event);

  Driver driver_;
  Listener listener_;
  std::deque<int> answers_;
  std::deque<SaveFileChoice> fileNames_;
  std::deque<std::string> folderNames_;
  std::deque<bool> reportAnswers_;
  std::deque<std::optional<std::size_t>> choices_;
  std::optional<std::size_t> progressCancelAt_;
  std::vector<HeadlessEvent> events_;
  MemoryRecentList recent_;
  HeadlessWindow* topWindow_ = nullptr;  // not owned
};

}  // namespace platform
