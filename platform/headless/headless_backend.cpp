#include "platform/headless/headless_backend.h"

#include <algorithm>
#include <utility>

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
    : backend_(backend), template_(dialogTemplate), events_(events), nested_(nested) {
  for (const ControlTemplate& control : template_.controls) {
    if (control.id == IDC_STATIC) continue;
    Control& made = controls_[control.id];
    made.kind = control.kind;
    made.style = control.style;
    if (control.kind != ControlKind::Edit) made.text = std::string(control.caption);
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
  events_.onCommand(static_cast<int>(commandId));
  return Act::Done;
}

void HeadlessWindow::keyEnter() { events_.onCommand(defaultButtonId()); }

void HeadlessWindow::keyEsc() { events_.onCommand(IDCANCEL); }

void HeadlessWindow::close() { events_.onSysCommand(SC_CLOSE); }

void HeadlessWindow::sysCommand(unsigned id) { events_.onSysCommand(id); }

HeadlessWindow::Act HeadlessWindow::selectTreeLine(int treeId, std::size_t line) {
  const Control* control = find(treeId);
  if (control == nullptr) return Act::UnknownId;
  if (control->kind != ControlKind::Tree) return Act::WrongKind;
  const std::vector<TreeLine> lines = treeLines(treeId);
  if (line >= lines.size()) return Act::NoSuchItem;
  selectedItem_ = lines[line].item;
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

std::string HeadlessWindow::text(int id) const {
  const Control* control = find(id);
  return control == nullptr ? std::string() : control->text;
}

void HeadlessWindow::setText(int id, std::string_view gbk) {
  if (Control* control = find(id)) control->text = std::string(gbk);
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

bool HeadlessWindow::isTree(int id) const {
  const Control* control = find(id);
  return control != nullptr && control->kind == ControlKind::Tree;
}

bool HeadlessWindow::isItem(HTREEITEM item) const {
  return item >= 1 && static_cast<std::size_t>(item) <= treeNodes_.size();
}

std::vector<HTREEITEM>* HeadlessWindow::childList(HTREEITEM parent) {
  if (parent == TVI_ROOT || parent == TVI_NULL) return &treeRoots_;
  if (parent < 1 || static_cast<std::size_t>(parent) > treeNodes_.size()) return nullptr;
  return &treeNodes_[static_cast<std::size_t>(parent - 1)].children;
}

HTREEITEM HeadlessWindow::insertTreeItem(int id, std::string_view gbkLabel, int image,
                                         int selectedImage, HTREEITEM parent,
                                         HTREEITEM insertAfter) {
  const Control* control = find(id);
  if (control == nullptr || control->kind != ControlKind::Tree) return TVI_NULL;
  std::vector<HTREEITEM>* siblings = childList(parent);
  if (siblings == nullptr) return TVI_NULL;
  const HTREEITEM handle = static_cast<HTREEITEM>(treeNodes_.size() + 1);
  if (insertAfter == TVI_FIRST) {
    siblings->insert(siblings->begin(), handle);
  } else if (insertAfter == TVI_LAST) {
    siblings->push_back(handle);  // the usual case: no search, so a fill stays linear
  } else {
    auto after = std::find(siblings->begin(), siblings->end(), insertAfter);
    siblings->insert(after == siblings->end() ? siblings->end() : after + 1, handle);
  }
  treeNodes_.push_back({std::string(gbkLabel),
                        image,
                        selectedImage,
                        parent == TVI_ROOT ? TVI_NULL : parent,
                        {},
                        false});
  return handle;
}

bool HeadlessWindow::deleteAllTreeItems(int id) {
  const Control* control = find(id);
  if (control == nullptr || control->kind != ControlKind::Tree) return false;
  treeNodes_.clear();
  treeRoots_.clear();
  selectedItem_ = TVI_NULL;
  return true;
}

bool HeadlessWindow::expandTreeItem(int id, HTREEITEM item, unsigned code) {
  const Control* control = find(id);
  if (control == nullptr || control->kind != ControlKind::Tree) return false;
  if (item < 1 || static_cast<std::size_t>(item) > treeNodes_.size()) return false;
  TreeNode& node = treeNodes_[static_cast<std::size_t>(item - 1)];
  if (node.children.empty()) return false;  // nothing to open, as the real control answers
  switch (code) {
    case TVE_EXPAND:
      node.expanded = true;
      break;
    case TVE_COLLAPSE:
      node.expanded = false;
      break;
    case TVE_TOGGLE:
      node.expanded = !node.expanded;
      break;
    default:
      return false;
  }
  return true;
}

void HeadlessWindow::setTreeImageSize(int /*id*/, int /*width*/, int /*height*/) {}

bool HeadlessWindow::selectTreeItem(int id, HTREEITEM item) {
  if (!isTree(id) || (item != TVI_NULL && !isItem(item))) return false;
  selectedItem_ = item;
  return true;
}

HTREEITEM HeadlessWindow::selectedTreeItem(int id) const {
  return isTree(id) ? selectedItem_ : TVI_NULL;
}

bool HeadlessWindow::ensureTreeItemVisible(int id, HTREEITEM item) {
  if (!isTree(id) || !isItem(item)) return false;
  for (HTREEITEM parent = treeNodes_[static_cast<std::size_t>(item - 1)].parent; isItem(parent);
       parent = treeNodes_[static_cast<std::size_t>(parent - 1)].parent) {
    treeNodes_[static_cast<std::size_t>(parent - 1)].expanded = true;
  }
  return true;
}

void HeadlessWindow::appendTreeLines(const std::vector<HTREEITEM>& items, int depth,
                                     std::vector<TreeLine>& lines) const {
  for (HTREEITEM item : items) {
    const TreeNode& node = treeNodes_[static_cast<std::size_t>(item - 1)];
    const char state = node.children.empty() ? '-' : (node.expanded ? 'e' : 'c');
    lines.push_back({depth, state, node.image, node.label, item});
    appendTreeLines(node.children, depth + 1, lines);
  }
}

std::vector<HeadlessWindow::TreeLine> HeadlessWindow::treeLines(int treeId) const {
  std::vector<TreeLine> lines;
  const Control* control = find(treeId);
  if (control == nullptr || control->kind != ControlKind::Tree) return lines;
  lines.reserve(treeNodes_.size());
  appendTreeLines(treeRoots_, 0, lines);
  return lines;
}

std::optional<std::size_t> HeadlessWindow::selectedTreeLine(int treeId) const {
  if (selectedItem_ == TVI_NULL) return std::nullopt;
  const std::vector<TreeLine> lines = treeLines(treeId);
  for (std::size_t line = 0; line < lines.size(); ++line) {
    if (lines[line].item == selectedItem_) return line;
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

void HeadlessBackend::record(HeadlessEvent event) {
  events_.push_back(std::move(event));
  if (listener_) listener_(events_.back());
}

}  // namespace platform
