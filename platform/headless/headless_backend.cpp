#include "platform/headless/headless_backend.h"

#include <algorithm>
#include <utility>

#include "platform/dialog/tree_find.h"
#include "platform/gbk.h"

namespace platform {

namespace {

// The longest prefix of whole GBK characters of `text` that takes at most `limit` bytes. A
// byte that starts no valid character counts as one character of one byte.
std::string_view fittingPrefix(std::string_view text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size()) {
    std::size_t length = gbkCharLength(text.substr(end));
    if (length == 0) length = 1;
    if (end + length > limit) break;
    end += length;
  }
  return text.substr(0, end);
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessBackend& backend, const DialogTemplate& dialogTemplate,
                               WindowEvents& events, bool nested)
    : backend_(backend),
      template_(dialogTemplate),
      events_(events),
      nested_(nested),
      title_(dialogTemplate.caption) {
  for (const ControlTemplate& control : template_.controls) {
    if (control.id == IDC_STATIC) continue;
    Control& made = controls_[control.id];
    made.kind = control.kind;
    made.style = control.style;
    if (control.kind != ControlKind::Edit) made.text = std::string(control.caption);
    if (control.kind == ControlKind::Tree) trees_[control.id];
  }
}

HeadlessWindow::~HeadlessWindow() {
  if (backend_.topWindow_ == this) backend_.topWindow_ = nullptr;
}

HeadlessWindow::Control* HeadlessWindow::find(int id) {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : &found->second;
}

const HeadlessWindow::Control* HeadlessWindow::find(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : &found->second;
}

std::optional<ControlKind> HeadlessWindow::kindOf(int id) const {
  const Control* control = find(id);
  if (control == nullptr) return std::nullopt;
  return control->kind;
}

int HeadlessWindow::defaultButtonId() const {
  for (const ControlTemplate& control : template_.controls) {
    if (control.kind == ControlKind::PushButton && (control.style & BS_DEFPUSHBUTTON) != 0) {
      return control.id;
    }
  }
  return IDOK;
}

HeadlessWindow::Act HeadlessWindow::type(int id, std::string_view gbk) {
  Control* control = find(id);
  if (control == nullptr) return Act::UnknownId;
  if (control->kind != ControlKind::Edit || (control->style & ES_READONLY) != 0) {
    return Act::WrongKind;
  }
  control->text =
      control->limit == 0 ? std::string(gbk) : std::string(fittingPrefix(gbk, control->limit));
  return Act::Done;
}

HeadlessWindow::Act HeadlessWindow::check(int id) {
  Control* control = find(id);
  if (control == nullptr) return Act::UnknownId;
  if (control->kind != ControlKind::RadioButton) return Act::WrongKind;
  for (int member : radioGroupOf(template_, id)) setChecked(member, member == id);
  return Act::Done;
}

HeadlessWindow::Act HeadlessWindow::click(int id) {
  const Control* control = find(id);
  if (control == nullptr) return Act::UnknownId;
  if (control->kind != ControlKind::PushButton) return Act::WrongKind;
  events_.onCommand(id);
  return Act::Done;
}

HeadlessWindow::Act HeadlessWindow::chooseContextMenu(unsigned commandId) {
  const auto entry = std::find_if(
      contextMenu_.begin(), contextMenu_.end(),
      [commandId](const auto& e) { return e.first == commandId && !e.second.empty(); });
  if (entry == contextMenu_.end()) return Act::UnknownId;
  if (const auto state = commandEntry(commandId); state && !state->enabled) return Act::Disabled;
  events_.onCommand(static_cast<int>(commandId));
  return Act::Done;
}

HeadlessWindow::Act HeadlessWindow::keyCtrl(char letter, bool shift) {
  const unsigned flags = FVIRTKEY | FCONTROL | (shift ? FSHIFT : 0u);
  for (const Accelerator& accelerator : template_.accelerators) {
    if ((accelerator.flags & ~FOUTSIDEEDIT) == flags &&
        accelerator.key == static_cast<unsigned>(letter)) {
      events_.onCommand(accelerator.command);
      return Act::Done;
    }
  }
  return Act::UnknownId;
}

HeadlessWindow::Act HeadlessWindow::chooseMenuBar(unsigned commandId) {
  const std::span<const MenuBarEntry> entries = template_.menuBar;
  const auto entry = std::find_if(entries.begin(), entries.end(), [commandId](const auto& e) {
    return static_cast<unsigned>(e.command) == commandId && (e.flags & MF_SEPARATOR) == 0;
  });
  if (entry == entries.end()) {
    // An entry of a list: the list's id and its place in it.
    for (const auto& [listId, texts] : menuBarLists_) {
      if (commandId > listId && commandId - listId <= texts.size()) {
        events_.onCommand(static_cast<int>(commandId));
        return Act::Done;
      }
    }
    return Act::UnknownId;
  }
  if ((entry->flags & MF_POPUP) != 0) return Act::WrongKind;  // it opens its list
  if (const auto state = commandEntry(commandId); state && !state->enabled) return Act::Disabled;
  events_.onCommand(static_cast<int>(commandId));
  return Act::Done;
}

HeadlessWindow::Act HeadlessWindow::findInTree(int treeId, std::string_view gbk) {
  if (find(treeId) == nullptr) return Act::UnknownId;
  Tree* tree = treeOf(treeId);
  if (tree == nullptr) return Act::WrongKind;
  const HTREEITEM found = nextMatch(tree->items, tree->selected, gbk, true, false);
  if (found != TVI_NULL) {
    tree->selected = found;
    events_.onTreeSelect(treeId);
  }
  return Act::Done;
}

void HeadlessWindow::keyEnter() { events_.onCommand(defaultButtonId()); }

void HeadlessWindow::keyEsc() { events_.onCommand(IDCANCEL); }

void HeadlessWindow::close() { events_.onSysCommand(SC_CLOSE); }

void HeadlessWindow::sysCommand(unsigned id) { events_.onSysCommand(id); }

HeadlessWindow::Act HeadlessWindow::selectTreeLine(int treeId, std::size_t line) {
  const Control* control = find(treeId);
  if (control == nullptr) return Act::UnknownId;
  Tree* tree = treeOf(treeId);
  if (tree == nullptr) return Act::WrongKind;
  // Line n is the n-th item in pre-order.
  HTREEITEM item = tree->items.firstRoot();
  for (std::size_t at = 0; at < line && item != TVI_NULL; ++at) {
    item = tree->items.nextInPreOrder(item);
  }
  if (item == TVI_NULL) return Act::NoSuchItem;
  tree->selected = item;
  events_.onTreeSelect(treeId);
  return Act::Done;
}

int HeadlessWindow::runModalLoop() {
  if (nested_) {
    backend_.record({HeadlessEvent::Kind::DialogOpened,
                     std::string(template_.caption),
                     {},
                     0,
                     0,
                     template_.id});
    events_.onCommand(defaultButtonId());
    if (!ended_) endDialog(IDCANCEL);
    backend_.record({HeadlessEvent::Kind::DialogClosed,
                     std::string(template_.caption),
                     {},
                     0,
                     0,
                     template_.id});
    return result_;
  }
  if (backend_.driver_) backend_.driver_(*this);
  return ended_ ? result_ : 0;
}

void HeadlessWindow::endDialog(int result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
}

std::string HeadlessWindow::text(int id) const { return std::string(textView(id)); }

std::string_view HeadlessWindow::textView(int id) const {
  const Control* control = find(id);
  return control == nullptr ? std::string_view() : std::string_view(control->text);
}

void HeadlessWindow::copyText(int id, std::string& value) const {
  const std::string_view text = textView(id);
  if (value != text) value.assign(text);
}

void HeadlessWindow::setText(int id, std::string_view gbk) {
  Control* control = find(id);
  if (control != nullptr && control->text != gbk) control->text.assign(gbk);
}

void HeadlessWindow::setLimit(int id, std::size_t bytes) {
  if (Control* control = find(id)) control->limit = bytes;
}

std::size_t HeadlessWindow::limitOf(int id) const {
  const Control* control = find(id);
  return control == nullptr ? 0 : control->limit;
}

bool HeadlessWindow::isChecked(int id) const {
  const Control* control = find(id);
  return control != nullptr && control->checked;
}

void HeadlessWindow::setChecked(int id, bool checked) {
  if (Control* control = find(id)) control->checked = checked;
}

HeadlessWindow::Tree* HeadlessWindow::treeOf(int id) {
  const auto found = trees_.find(id);
  return found == trees_.end() ? nullptr : &found->second;
}

const HeadlessWindow::Tree* HeadlessWindow::treeOf(int id) const {
  const auto found = trees_.find(id);
  return found == trees_.end() ? nullptr : &found->second;
}

const TreeItems* HeadlessWindow::treeItems(int id) const {
  const Tree* tree = treeOf(id);
  return tree == nullptr ? nullptr : &tree->items;
}

HTREEITEM HeadlessWindow::insertTreeItem(int id, std::string_view gbkLabel, int image,
                                         int selectedImage, HTREEITEM parent, HTREEITEM insertAfter,
                                         std::intptr_t data) {
  Tree* tree = treeOf(id);
  if (tree == nullptr) return TVI_NULL;
  return tree->items.insert(gbkLabel, image, selectedImage, data, parent, insertAfter);
}

bool HeadlessWindow::setTreeItemText(int id, HTREEITEM item, std::string_view gbkLabel) {
  Tree* tree = treeOf(id);
  if (tree == nullptr || !tree->items.isItem(item)) return false;
  tree->items.setLabel(item, gbkLabel);
  return true;
}

bool HeadlessWindow::deleteAllTreeItems(int id) {
  Tree* tree = treeOf(id);
  if (tree == nullptr) return false;
  tree->items.clear();
  tree->selected = TVI_NULL;
  tree->marked.clear();
  return true;
}

bool HeadlessWindow::removeNewestTreeItem(int id) {
  Tree* tree = treeOf(id);
  if (tree == nullptr) return false;
  const auto newest = static_cast<HTREEITEM>(tree->items.size());
  if (!tree->items.removeNewest()) return false;
  if (tree->selected == newest) tree->selected = TVI_NULL;
  tree->marked.erase(newest);
  return true;
}

bool HeadlessWindow::markTreeItem(int id, HTREEITEM item, bool marked) {
  Tree* tree = treeOf(id);
  if (tree == nullptr || !tree->items.isItem(item)) return false;
  if (tree->items.marked(item) == marked) return true;
  tree->items.setMarked(item, marked);
  if (marked) {
    tree->marked[item] = ++tree->marks;
  } else {
    tree->marked.erase(item);
  }
  return true;
}

void HeadlessWindow::openTreeFind(int id) {
  if (treeOf(id) != nullptr) ++findOpened_;
}

void HeadlessWindow::checkMenuBarEntry(unsigned commandId, bool checked) {
  if (checked) {
    checkedEntries_.insert(commandId);
  } else {
    checkedEntries_.erase(commandId);
  }
}

void HeadlessWindow::setCommandEntry(unsigned commandId, bool enabled, std::string_view gbkText) {
  commandEntries_[commandId] = {enabled, std::string(gbkText)};
}

std::optional<HeadlessWindow::CommandEntry> HeadlessWindow::commandEntry(unsigned commandId) const {
  const auto found = commandEntries_.find(commandId);
  if (found == commandEntries_.end()) return std::nullopt;
  return found->second;
}

void HeadlessWindow::setMenuBarList(unsigned listId, std::span<const std::string> gbkTexts) {
  menuBarLists_[listId].assign(gbkTexts.begin(), gbkTexts.end());
}

std::vector<std::string> HeadlessWindow::menuBarList(unsigned listId) const {
  const auto found = menuBarLists_.find(listId);
  return found == menuBarLists_.end() ? std::vector<std::string>() : found->second;
}

void HeadlessWindow::setTitle(std::string_view gbk) { title_.assign(gbk); }

std::vector<std::size_t> HeadlessWindow::markedTreeLines(int treeId) const {
  std::vector<std::size_t> lines;
  const Tree* tree = treeOf(treeId);
  if (tree == nullptr || tree->marked.empty()) return lines;
  std::vector<std::pair<std::uint64_t, std::size_t>> byMark;  // (when marked, line)
  std::size_t line = 0;
  for (HTREEITEM item = tree->items.firstRoot(); item != TVI_NULL;
       item = tree->items.nextInPreOrder(item), ++line) {
    if (auto found = tree->marked.find(item); found != tree->marked.end()) {
      byMark.emplace_back(found->second, line);
    }
  }
  std::sort(byMark.begin(), byMark.end());
  for (const auto& [mark, at] : byMark) lines.push_back(at);
  return lines;
}

bool HeadlessWindow::expandTreeItem(int id, HTREEITEM item, unsigned code) {
  Tree* tree = treeOf(id);
  if (tree == nullptr || !tree->items.isItem(item)) return false;
  if (!tree->items.hasChildren(item)) return false;  // nothing to open, as the real control says
  switch (code) {
    case TVE_EXPAND:
      tree->items.setExpanded(item, true);
      return true;
    case TVE_COLLAPSE:
      tree->items.setExpanded(item, false);
      return true;
    case TVE_TOGGLE:
      tree->items.setExpanded(item, !tree->items.expanded(item));
      return true;
    default:
      return false;
  }
}

bool HeadlessWindow::expandAllTreeItems(int id) {
  Tree* tree = treeOf(id);
  if (tree == nullptr) return false;
  tree->items.expandAll();
  return true;
}

void HeadlessWindow::setTreeImageSize(int /*id*/, int /*width*/, int /*height*/) {}

bool HeadlessWindow::selectTreeItem(int id, HTREEITEM item) {
  Tree* tree = treeOf(id);
  if (tree == nullptr || (item != TVI_NULL && !tree->items.isItem(item))) return false;
  tree->selected = item;
  return true;
}

HTREEITEM HeadlessWindow::selectedTreeItem(int id) const {
  const Tree* tree = treeOf(id);
  return tree == nullptr ? TVI_NULL : tree->selected;
}

bool HeadlessWindow::ensureTreeItemVisible(int id, HTREEITEM item) {
  Tree* tree = treeOf(id);
  if (tree == nullptr || !tree->items.isItem(item)) return false;
  for (HTREEITEM parent = tree->items.parent(item); parent != TVI_NULL;
       parent = tree->items.parent(parent)) {
    tree->items.setExpanded(parent, true);
  }
  return true;
}

std::vector<HeadlessWindow::TreeLine> HeadlessWindow::treeLines(int treeId) const {
  std::vector<TreeLine> lines;
  const Tree* tree = treeOf(treeId);
  if (tree == nullptr) return lines;
  const TreeItems& items = tree->items;
  lines.reserve(items.size());
  int depth = 0;
  for (HTREEITEM item = items.firstRoot(); item != TVI_NULL;) {
    const char state = !items.hasChildren(item) ? '-' : (items.expanded(item) ? 'e' : 'c');
    int image = items.image(item);
    if (image == I_IMAGECALLBACK || items.selectedImage(item) == I_IMAGECALLBACK) {
      TreeDispInfo info{item, items.data(item), image, items.selectedImage(item)};
      events_.onTreeGetDispInfo(treeId, info);
      image = info.image;
    }
    lines.push_back({depth, state, image, std::string(items.label(item)), item});
    // The next item in pre-order, and its depth.
    if (items.hasChildren(item)) {
      item = items.firstChild(item);
      ++depth;
      continue;
    }
    while (item != TVI_NULL && items.nextSibling(item) == TVI_NULL) {
      item = items.parent(item);
      --depth;
    }
    if (item != TVI_NULL) item = items.nextSibling(item);
  }
  return lines;
}

std::optional<std::size_t> HeadlessWindow::selectedTreeLine(int treeId) const {
  const Tree* tree = treeOf(treeId);
  if (tree == nullptr || tree->selected == TVI_NULL) return std::nullopt;
  std::size_t line = 0;
  for (HTREEITEM item = tree->items.firstRoot(); item != TVI_NULL;
       item = tree->items.nextInPreOrder(item), ++line) {
    if (item == tree->selected) return line;
  }
  return std::nullopt;
}

bool HeadlessWindow::hasSystemMenu() const { return (template_.style & WS_SYSMENU) != 0; }

void HeadlessWindow::appendSystemMenu(unsigned flags, unsigned commandId, std::string_view gbk) {
  if ((flags & MF_SEPARATOR) != 0) {
    systemMenu_.emplace_back(0, std::string());
  } else {
    systemMenu_.emplace_back(commandId, std::string(gbk));
  }
}

void HeadlessWindow::appendContextMenu(unsigned flags, unsigned commandId, std::string_view gbk) {
  if ((flags & MF_SEPARATOR) != 0) {
    contextMenu_.emplace_back(0, std::string());
  } else {
    contextMenu_.emplace_back(commandId, std::string(gbk));
  }
}

void HeadlessWindow::setIcon(const IconResource& /*icon*/, bool /*big*/) { ++iconsSet_; }

std::unique_ptr<WindowPeer> HeadlessBackend::createWindow(const DialogTemplate& dialogTemplate,
                                                          WindowEvents& events,
                                                          WindowPeer* parent) {
  auto window = std::make_unique<HeadlessWindow>(*this, dialogTemplate, events, parent != nullptr);
  if (parent == nullptr) topWindow_ = window.get();
  return window;
}

int HeadlessBackend::messageBox(WindowPeer* /*parent*/, std::string_view gbkText,
                                std::string_view gbkCaption, unsigned type) {
  int answer = defaultMessageBoxAnswer(type);
  if (!answers_.empty()) {
    const std::span<const int> buttons = messageBoxButtons(type);
    if (std::find(buttons.begin(), buttons.end(), answers_.front()) != buttons.end()) {
      answer = answers_.front();
    }
    answers_.pop_front();
  }
  record({HeadlessEvent::Kind::MessageBox, std::string(gbkCaption), std::string(gbkText), type,
          answer, 0});
  return answer;
}

std::optional<SaveFileChoice> HeadlessBackend::saveFileName(
    WindowPeer* /*parent*/, std::string_view gbkCaption, std::string_view gbkSuggestedName,
    std::span<const std::string_view> gbkFilters) {
  std::optional<SaveFileChoice> choice;
  if (!fileNames_.empty()) {
    choice = std::move(fileNames_.front());
    fileNames_.pop_front();
    if (choice->filter >= gbkFilters.size()) choice->filter = 0;
  }
  record({HeadlessEvent::Kind::FileChooser, std::string(gbkCaption), std::string(gbkSuggestedName),
          0, choice ? IDOK : IDCANCEL, 0});
  return choice;
}

std::optional<std::string> HeadlessBackend::openFileName(
    WindowPeer* /*parent*/, std::string_view gbkCaption,
    std::span<const std::string_view> /*gbkFilters*/) {
  std::optional<std::string> path;
  if (!fileNames_.empty()) {
    path = std::move(fileNames_.front().path);
    fileNames_.pop_front();
  }
  record({HeadlessEvent::Kind::FileChooser, std::string(gbkCaption), std::string(), 0,
          path ? IDOK : IDCANCEL, 0});
  return path;
}

std::optional<std::string> HeadlessBackend::folderName(WindowPeer* /*parent*/,
                                                       std::string_view gbkCaption,
                                                       FolderChoice choice) {
  std::optional<std::string> path;
  if (!folderNames_.empty()) {
    path = std::move(folderNames_.front());
    folderNames_.pop_front();
  }
  record({HeadlessEvent::Kind::FileChooser, std::string(gbkCaption), std::string(),
          static_cast<unsigned>(choice), path ? IDOK : IDCANCEL, 0});
  return path;
}

bool HeadlessBackend::reportDialog(WindowPeer* /*parent*/, std::string_view gbkCaption,
                                   std::string_view gbkText, std::span<const std::string> gbkLines,
                                   std::string_view /*gbkAccept*/, std::string_view /*gbkReject*/) {
  bool accept = false;
  if (!reportAnswers_.empty()) {
    accept = reportAnswers_.front();
    reportAnswers_.pop_front();
  }
  std::string shown(gbkText);
  for (const std::string& line : gbkLines) shown += "\n" + line;
  record({HeadlessEvent::Kind::Report, std::string(gbkCaption), std::move(shown), 0,
          accept ? IDOK : IDCANCEL, 0});
  return accept;
}

std::optional<std::size_t> HeadlessBackend::choiceDialog(
    WindowPeer* /*parent*/, std::string_view gbkCaption, std::string_view gbkText,
    std::span<const std::string_view> gbkChoices, std::size_t initial) {
  std::optional<std::size_t> choice = initial;
  if (!choices_.empty()) {
    choice = choices_.front();
    choices_.pop_front();
  }
  if (choice && *choice >= gbkChoices.size()) choice.reset();
  std::string shown(gbkText);
  for (const std::string_view line : gbkChoices) {
    shown += "\n";
    shown += line;
  }
  record({HeadlessEvent::Kind::Choice, std::string(gbkCaption), std::move(shown),
          static_cast<unsigned>(choice.value_or(0)), choice ? IDOK : IDCANCEL, 0});
  return choice;
}

// A progress dialog that nobody sees: it counts its updates and answers "cancelled" from the
// one its backend was told to cancel at; it records itself when it closes.
class HeadlessProgress : public ProgressDialog {
 public:
  HeadlessProgress(HeadlessBackend& backend, std::string_view caption, std::string_view text,
                   std::size_t steps, std::optional<std::size_t> cancelAt)
      : backend_(backend), caption_(caption), text_(text), steps_(steps), cancelAt_(cancelAt) {}
  ~HeadlessProgress() override {
    backend_.record({HeadlessEvent::Kind::Progress, caption_, text_, static_cast<unsigned>(steps_),
                     cancelled_ ? IDCANCEL : IDOK, 0});
  }
  bool setProgress(std::size_t /*done*/) override {
    ++updates_;
    if (cancelAt_ && updates_ >= *cancelAt_) cancelled_ = true;
    return !cancelled_;
  }

 private:
  HeadlessBackend& backend_;
  std::string caption_;
  std::string text_;
  std::size_t steps_;
  std::optional<std::size_t> cancelAt_;
  std::size_t updates_ = 0;
  bool cancelled_ = false;
};

std::unique_ptr<ProgressDialog> HeadlessBackend::openProgress(WindowPeer* /*parent*/,
                                                              std::string_view gbkCaption,
                                                              std::string_view gbkText,
                                                              std::size_t steps) {
  auto dialog =
      std::make_unique<HeadlessProgress>(*this, gbkCaption, gbkText, steps, progressCancelAt_);
  progressCancelAt_.reset();
  return dialog;
}

void HeadlessBackend::record(HeadlessEvent event) {
  events_.push_back(std::move(event));
  if (listener_) listener_(events_.back());
}

}  // namespace platform
