#include "platform/dialog/dialog.h"

#include <string>
#include <vector>

namespace platform {

bool ImageList::Create(int width, int height, unsigned /*flags*/, int /*initial*/, int /*grow*/) {
  if (width < 0 || height < 0) return false;
  width_ = width;
  height_ = height;
  created_ = true;
  return true;
}

HTREEITEM TreeCtrl::InsertItem(std::string_view gbkLabel, int image, int selectedImage,
                               HTREEITEM parent, HTREEITEM insertAfter, std::intptr_t data) {
  if (peer_ == nullptr) return TVI_NULL;
  return peer_->insertTreeItem(id_, gbkLabel, image, selectedImage, parent, insertAfter, data);
}

bool TreeCtrl::SetItemText(HTREEITEM item, std::string_view gbkLabel) {
  return peer_ != nullptr && peer_->setTreeItemText(id_, item, gbkLabel);
}

bool TreeCtrl::DeleteAllItems() { return peer_ != nullptr && peer_->deleteAllTreeItems(id_); }

bool TreeCtrl::Expand(HTREEITEM item, unsigned code) {
  return peer_ != nullptr && peer_->expandTreeItem(id_, item, code);
}

bool TreeCtrl::ExpandAll() { return peer_ != nullptr && peer_->expandAllTreeItems(id_); }

HTREEITEM TreeCtrl::GetRootItem() const {
  const TreeItems* all = items();
  return all == nullptr ? TVI_NULL : all->firstRoot();
}

HTREEITEM TreeCtrl::GetChildItem(HTREEITEM item) const {
  const TreeItems* all = items();
  return all == nullptr || !all->isItem(item) ? TVI_NULL : all->firstChild(item);
}

HTREEITEM TreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
  const TreeItems* all = items();
  return all == nullptr || !all->isItem(item) ? TVI_NULL : all->nextSibling(item);
}

HTREEITEM TreeCtrl::GetParentItem(HTREEITEM item) const {
  const TreeItems* all = items();
  return all == nullptr || !all->isItem(item) ? TVI_NULL : all->parent(item);
}

std::intptr_t TreeCtrl::GetItemData(HTREEITEM item) const {
  const TreeItems* all = items();
  return all == nullptr || !all->isItem(item) ? 0 : all->data(item);
}

ImageList* TreeCtrl::SetImageList(ImageList* list, int /*which*/) {
  ImageList* previous = imageList_;
  imageList_ = list;
  if (peer_ != nullptr && list != nullptr)
    peer_->setTreeImageSize(id_, list->width(), list->height());
  return previous;
}

bool TreeCtrl::SelectItem(HTREEITEM item) {
  return peer_ != nullptr && peer_->selectTreeItem(id_, item);
}

HTREEITEM TreeCtrl::GetSelectedItem() const {
  return peer_ == nullptr ? TVI_NULL : peer_->selectedTreeItem(id_);
}

bool TreeCtrl::EnsureVisible(HTREEITEM item) {
  return peer_ != nullptr && peer_->ensureTreeItemVisible(id_, item);
}

bool TreeCtrl::DeleteNewestItem(HTREEITEM item) {
  const TreeItems* shown = items();
  if (shown == nullptr || !shown->isItem(item) || static_cast<std::size_t>(item) != shown->size()) {
    return false;
  }
  return peer_->removeNewestTreeItem(id_);
}

bool TreeCtrl::SetItemMarked(HTREEITEM item, bool marked) {
  return peer_ != nullptr && peer_->markTreeItem(id_, item, marked);
}

void TreeCtrl::OpenFind() {
  if (peer_ != nullptr) peer_->openTreeFind(id_);
}

bool Menu::AppendMenu(unsigned flags, unsigned commandId, std::string_view gbkText) {
  if (!peer_.hasSystemMenu()) return false;
  peer_.appendSystemMenu(flags, commandId, gbkText);
  return true;
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
  if (dx.failed) return;
  dx.lastControlId = id;
  if (dx.saveAndValidate) {
    dx.peer.copyText(id, value);
  } else {
    dx.peer.setText(id, value);
  }
}

void DDV_MaxChars(DataExchange& dx, const std::string& value, int maxBytes) {
  if (dx.failed) return;
  if (dx.saveAndValidate) {
    if (value.size() > static_cast<std::size_t>(maxBytes)) {
      const std::string prompt = "请输入不超过 " + std::to_string(maxBytes) + " 个字符。";
      dx.dialog.MessageBox(prompt, nullptr, MB_OK | MB_ICONEXCLAMATION);
      dx.failed = true;
    }
  } else {
    dx.peer.setLimit(dx.lastControlId, static_cast<std::size_t>(maxBytes));
  }
}

void DDX_Radio(DataExchange& dx, int firstId, int& value) {
  if (dx.failed) return;
  dx.lastControlId = firstId;
  const std::vector<int> ids = radioGroupOf(dx.dialog.dialogTemplate(), firstId);
  if (dx.saveAndValidate) {
    value = -1;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (dx.peer.isChecked(ids[i])) {
        value = static_cast<int>(i);
        break;
      }
    }
  } else {
    for (std::size_t i = 0; i < ids.size(); ++i) {
      dx.peer.setChecked(ids[i], static_cast<int>(i) == value);
    }
  }
}

void DDX_Control(DataExchange& dx, int id, TreeCtrl& control) {
  if (dx.failed) return;
  dx.lastControlId = id;
  if (!control.attached()) control.attach(&dx.peer, id);
}

Dialog::Dialog(const DialogTemplate& dialogTemplate, Dialog* parent)
    : template_(dialogTemplate), parent_(parent) {}

Dialog::~Dialog() = default;

bool Dialog::Create() {
  WindowPeer* parentPeer = parent_ != nullptr ? parent_->peer() : nullptr;
  Backend* backend = currentBackend();
  if (backend == nullptr) return false;
  peer_ = backend->createWindow(template_, *this, parentPeer);
  if (peer_ == nullptr) return false;
  systemMenu_ = std::make_unique<Menu>(*peer_);
  OnInitDialog();
  return true;
}

int Dialog::DoModal() {
  if (!Create()) return -1;
  const int result = peer_->runModalLoop();
  return result;
}

void Dialog::EndDialog(int result) {
  if (peer_ != nullptr) peer_->endDialog(result);
}

bool Dialog::UpdateData(bool saveAndValidate) {
  if (peer_ == nullptr) return false;
  DataExchange dx{*this, *peer_, saveAndValidate};
  DoDataExchange(dx);
  return !dx.failed;
}

int Dialog::MessageBox(std::string_view gbkText, const char* gbkCaption, unsigned type) {
  const std::string_view caption =
      gbkCaption != nullptr ? std::string_view(gbkCaption) : std::string_view(applicationName());
  Backend* backend = currentBackend();
  if (backend == nullptr) return IDCANCEL;
  return backend->messageBox(peer_.get(), gbkText, caption, type);
}

std::optional<SaveFileChoice> Dialog::GetSaveFileName(
    std::string_view gbkCaption, std::string_view gbkSuggestedName,
    std::span<const std::string_view> gbkFilters) {
  Backend* backend = currentBackend();
  if (backend == nullptr) return std::nullopt;
  return backend->saveFileName(peer_.get(), gbkCaption, gbkSuggestedName, gbkFilters);
}

std::optional<std::string> Dialog::GetOpenFileName(std::string_view gbkCaption,
                                                   std::span<const std::string_view> gbkFilters) {
  Backend* backend = currentBackend();
  if (backend == nullptr) return std::nullopt;
  return backend->openFileName(peer_.get(), gbkCaption, gbkFilters);
}

std::optional<std::string> Dialog::GetFolderName(std::string_view gbkCaption, FolderChoice choice) {
  Backend* backend = currentBackend();
  if (backend == nullptr) return std::nullopt;
  return backend->folderName(peer_.get(), gbkCaption, choice);
}

bool Dialog::ShowReport(std::string_view gbkCaption, std::string_view gbkText,
                        std::span<const std::string> gbkLines, std::string_view gbkAccept,
                        std::string_view gbkReject) {
  Backend* backend = currentBackend();
  return backend != nullptr &&
         backend->reportDialog(peer_.get(), gbkCaption, gbkText, gbkLines, gbkAccept, gbkReject);
}

std::optional<std::size_t> Dialog::ChooseOne(std::string_view gbkCaption, std::string_view gbkText,
                                             std::span<const std::string_view> gbkChoices,
                                             std::size_t initial) {
  Backend* backend = currentBackend();
  if (backend == nullptr) return std::nullopt;
  return backend->choiceDialog(peer_.get(), gbkCaption, gbkText, gbkChoices, initial);
}

std::unique_ptr<ProgressDialog> Dialog::OpenProgress(std::string_view gbkCaption,
                                                     std::string_view gbkText, std::size_t steps) {
  Backend* backend = currentBackend();
  if (backend == nullptr) return nullptr;
  return backend->openProgress(peer_.get(), gbkCaption, gbkText, steps);
}

Menu* Dialog::GetSystemMenu(bool /*revert*/) {
  if (peer_ == nullptr || !peer_->hasSystemMenu()) return nullptr;
  return systemMenu_.get();
}

bool Dialog::AppendContextMenu(unsigned flags, unsigned commandId, std::string_view gbkText) {
  if (peer_ == nullptr) return false;
  peer_->appendContextMenu(flags, commandId, gbkText);
  return true;
}

void Dialog::SetIcon(const IconResource& icon, bool big) {
  if (peer_ != nullptr) peer_->setIcon(icon, big);
}

bool Dialog::CheckMenuBarEntry(unsigned commandId, bool checked) {
  if (peer_ == nullptr) return false;
  peer_->checkMenuBarEntry(commandId, checked);
  return true;
}

bool Dialog::SetCommandEntry(unsigned commandId, bool enabled, std::string_view gbkText) {
  if (peer_ == nullptr) return false;
  peer_->setCommandEntry(commandId, enabled, gbkText);
  return true;
}

bool Dialog::SetMenuBarList(unsigned listId, std::span<const std::string> gbkTexts) {
  if (peer_ == nullptr) return false;
  peer_->setMenuBarList(listId, gbkTexts);
  return true;
}

void Dialog::SetWindowText(std::string_view gbk) {
  if (peer_ != nullptr) peer_->setTitle(gbk);
}

RecentList* Dialog::GetRecentList() {
  Backend* backend = currentBackend();
  return backend == nullptr ? nullptr : &backend->recentList();
}

void Dialog::onCommand(int id) {
  if (OnCommandRoute(id)) return;
  if (id == IDOK) {
    OnOK();
  } else if (id == IDCANCEL) {
    OnCancel();
  }
}

void Dialog::onSysCommand(unsigned id) {
  if (!OnSysCommandRoute(id)) DefaultSysCommand(id);
}

void Dialog::onTreeSelect(int id) { OnTreeSelectRoute(id); }

void Dialog::onTreeGetDispInfo(int id, TreeDispInfo& info) { OnTreeGetDispInfoRoute(id, info); }

void Dialog::DefaultSysCommand(unsigned id) {
  if ((id & 0xFFF0u) == SC_CLOSE) onCommand(IDCANCEL);
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::DoDataExchange(DataExchange& /*dx*/) {}

bool Dialog::OnCommandRoute(int /*id*/) { return false; }

bool Dialog::OnSysCommandRoute(unsigned /*id*/) { return false; }

bool Dialog::OnTreeSelectRoute(int /*id*/) { return false; }

bool Dialog::OnTreeGetDispInfoRoute(int /*id*/, TreeDispInfo& /*info*/) { return false; }

}  // namespace platform
