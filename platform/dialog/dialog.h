// The dialog base and its data exchange: a modal window built from a template whose controls
// are bound to values of the program. Names follow the dialog framework this layer stands in
// for (DoModal, OnInitDialog, OnOK, OnCancel, UpdateData, DDX_Text ...).
//
// Pull and push: UpdateData(true) copies every control into its bound value (a "pull"),
// UpdateData(false) the other way (a "push"), over the bindings of DoDataExchange in their
// order. A length limit (DDV_MaxChars, in GBK bytes) is checked at a pull right after its own
// text: a longer text shows the standard message box and stops the pull, which then reports
// false; at a push the limit is set on the edit box so that a user cannot type more.
//
// Single-threaded: a dialog and its controls are used on the user-interface thread only.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/dialog/backend.h"
#include "platform/dialog/dialog_template.h"
#include "platform/dialog/win_types.h"

namespace platform {

class Dialog;

// An image list: only its image size matters to the tree that shows it (each label is preceded
// by an image space of that width).
class ImageList {
 public:
  bool Create(int width, int height, unsigned flags, int initial, int grow);
  bool created() const { return created_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool created_ = false;
  int width_ = 0;
  int height_ = 0;
};

// A tree control of an open dialog, attached by DDX_Control. Every call takes constant time
// unless it says otherwise, whatever the number of items.
class TreeCtrl {
 public:
  // Inserts an item carrying the program data `data`; returns its handle, or TVI_NULL when the
  // control is not attached or `parent` is no item. An image index I_IMAGECALLBACK is asked of
  // the dialog whenever it is needed (Dialog::OnTreeGetDispInfoRoute).
  HTREEITEM InsertItem(std::string_view gbkLabel, int image, int selectedImage,
                       HTREEITEM parent = TVI_ROOT, HTREEITEM insertAfter = TVI_LAST,
                       std::intptr_t data = 0);
  // Replaces an item's label; false when it is no item.
  bool SetItemText(HTREEITEM item, std::string_view gbkLabel);
  bool DeleteAllItems();
  bool Expand(HTREEITEM item, unsigned code);
  // Expands every item that has children: as many steps as a person collapsed items since the
  // control was filled (or as there are items, when some were never expanded).
  bool ExpandAll();
  // Returns the previous list (null at first).
  ImageList* SetImageList(ImageList* list, int which);
  // Selects `item` (TVI_NULL: nothing) without reporting it to the dialog; false when it is no
  // item of the control or the control is not attached.
  bool SelectItem(HTREEITEM item);
  // The selected item, or TVI_NULL.
  HTREEITEM GetSelectedItem() const;
  // Opens the item's ancestors and scrolls it into view; false as SelectItem.
  bool EnsureVisible(HTREEITEM item);

  // Removes `item`, which must be the newest item of the control and have no children (the
  // control hands its handle out again); false otherwise.
  bool DeleteNewestItem(HTREEITEM item);
  // Sets an item off from the others (bold, on a highlight distinct from the selection), or
  // no longer; false as SelectItem.
  bool SetItemMarked(HTREEITEM item, bool marked);
  // Opens the control's find field, as Ctrl+F does.
  void OpenFind();
  // The items: TVI_NULL where there is none, and for anything that is no item.
  HTREEITEM GetRootItem() const;
  HTREEITEM GetChildItem(HTREEITEM item) const;
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
  HTREEITEM GetParentItem(HTREEITEM item) const;
  // The item's program data; 0 for what is no item.
  std::intptr_t GetItemData(HTREEITEM item) const;

  bool attached() const { return peer_ != nullptr; }
  void attach(WindowPeer* peer, int id) {
    peer_ = peer;
    id_ = id;
  }

 private:
  const TreeItems* items() const { return peer_ == nullptr ? nullptr : peer_->treeItems(id_); }

  WindowPeer* peer_ = nullptr;  // not owned: the dialog's window
  int id_ = 0;
  ImageList* imageList_ = nullptr;
};

// A window's system menu.
class Menu {
 public:
  explicit Menu(WindowPeer& peer) : peer_(peer) {}
  bool AppendMenu(unsigned flags, unsigned commandId = 0, std::string_view gbkText = {});

 private:
  WindowPeer& peer_;
};

// One exchange: the direction and whether an earlier binding stopped it.
struct DataExchange {
  Dialog& dialog;
  WindowPeer& peer;
  bool saveAndValidate;  // true: pull (controls to values); false: push
  bool failed = false;
  int lastControlId = 0;
};

void DDX_Text(DataExchange& dx, int id, std::string& value);
void DDV_MaxChars(DataExchange& dx, const std::string& value, int maxBytes);
// Radio group beginning at `firstId`: pull gives the index of the checked button (-1 none);
// push checks the button of `value` and clears the others.
void DDX_Radio(DataExchange& dx, int firstId, int& value);
void DDX_Control(DataExchange& dx, int id, TreeCtrl& control);

// Routing: one table per dialog class, each entry naming an event, a control id and a member
// handler, as a message map does. A handler either takes no argument or takes the id that
// fired it, so that several buttons can share one handler. Clicked entries also take the
// commands of context-menu entries and accelerators: all arrive as the command of their id.
// SysCommand entries match every system command and always pass its id. TreeSelect entries name a
// tree control: a person selected one of its items (the handler reads the control's selected item).
enum class MessageKind { Clicked, SysCommand, TreeSelect };

template <class D>
struct MessageEntry {
  MessageKind kind;
  int id;
  void (D::*handler)() = nullptr;
  void (D::*handlerWithId)(int) = nullptr;
};

// Runs the handler of the first entry that matches; false when none does.
template <class D>
bool dispatchMessage(std::span<const MessageEntry<D>> map, D& dialog, MessageKind kind, int id) {
  for (const MessageEntry<D>& entry : map) {
    if (entry.kind != kind || (kind != MessageKind::SysCommand && entry.id != id)) continue;
    if (entry.handlerWithId != nullptr) {
      (dialog.*entry.handlerWithId)(id);
    } else if (entry.handler != nullptr) {
      (dialog.*entry.handler)();
    }
    return true;
  }
  return false;
}

class Dialog : public WindowEvents {
 public:
  // `dialogTemplate` must outlive the dialog; `parent` is the window the dialog is modal to.
  explicit Dialog(const DialogTemplate& dialogTemplate, Dialog* parent = nullptr);
  ~Dialog() override;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window, initialises it (OnInitDialog) and runs it until it ends. Returns the
  // result it ended with (IDOK, IDCANCEL), 0 when a headless run's input ended first, or -1, as
  // the framework's DoModal does, when no window could be created (no backend installed, or the
  // backend made none); OnInitDialog has then not run.
  int DoModal();
  // The first half of DoModal: the window created and initialised, not yet run. For drivers
  // that feed the window's events one by one (tests); false when no window could be made.
  bool Create();
  // Ends the modal run with `result`.
  void EndDialog(int result);

  // Pull (true) or push (false). False when a pull stopped at a length limit.
  bool UpdateData(bool saveAndValidate = true);
  // A message box over this window; no caption gives the application's name. Returns the button
  // pressed: IDOK, IDCANCEL, IDYES or IDNO.
  int MessageBox(std::string_view gbkText, const char* gbkCaption = nullptr, unsigned type = MB_OK);
  // A save-file chooser over this window (Backend::saveFileName); nothing when the person
  // cancelled or no backend is installed.
  std::optional<SaveFileChoice> GetSaveFileName(std::string_view gbkCaption,
                                                std::string_view gbkSuggestedName,
                                                std::span<const std::string_view> gbkFilters);
  // The import's choosers and report over this window (Backend::openFileName, folderName,
  // reportDialog); nothing, or false, when the person cancelled or no backend is installed.
  std::optional<std::string> GetOpenFileName(std::string_view gbkCaption,
                                             std::span<const std::string_view> gbkFilters);
  std::optional<std::string> GetFolderName(std::string_view gbkCaption,
                                           FolderChoice choice = FolderChoice::kToWrite);
  bool ShowReport(std::string_view gbkCaption, std::string_view gbkText,
                  std::span<const std::string> gbkLines, std::string_view gbkAccept,
                  std::string_view gbkReject);
  // One of `gbkChoices` asked over this window (Backend::choiceDialog); nothing when the person
  // cancelled or no backend is installed.
  std::optional<std::size_t> ChooseOne(std::string_view gbkCaption, std::string_view gbkText,
                                       std::span<const std::string_view> gbkChoices,
                                       std::size_t initial = 0);
  // A progress dialog over this window (Backend::openProgress); null when no backend is
  // installed or it made none.
  std::unique_ptr<ProgressDialog> OpenProgress(std::string_view gbkCaption,
                                               std::string_view gbkText, std::size_t steps);
  // The system menu, or null when the window has none.
  Menu* GetSystemMenu(bool revert);
  // Appends an entry (or, with MF_SEPARATOR, a separator) to the window's context menu; its
  // choice arrives as the command `commandId` (see MessageKind::Clicked). False when no window
  // is open.
  bool AppendContextMenu(unsigned flags, unsigned commandId = 0, std::string_view gbkText = {});
  void SetIcon(const IconResource& icon, bool big);
  // Sets or clears the check mark of the menu-bar entry of command `commandId` (see
  // MF_CHECKMARK). False when no window is open.
  bool CheckMenuBarEntry(unsigned commandId, bool checked);
  // Names and enables or greys out the menu entries of command `commandId`
  // (WindowPeer::setCommandEntry). False when no window is open.
  bool SetCommandEntry(unsigned commandId, bool enabled, std::string_view gbkText);
  // The entries of the list under the menu-bar entry `listId` (WindowPeer::setMenuBarList). False
  // when no window is open.
  bool SetMenuBarList(unsigned listId, std::span<const std::string> gbkTexts);
  // The window's title; nothing when no window is open.
  void SetWindowText(std::string_view gbk);
  // The genealogies opened last, as the backend keeps them; null when no backend is installed.
  RecentList* GetRecentList();

  const DialogTemplate& dialogTemplate() const { return template_; }
  // The open window, or null before Create / after the run.
  WindowPeer* peer() const { return peer_.get(); }

  // WindowEvents: routes to the handlers.
  void onCommand(int id) override;
  void onSysCommand(unsigned id) override;
  void onTreeSelect(int id) override;
  void onTreeGetDispInfo(int id, TreeDispInfo& info) override;

 protected:
  // The first push. Returns true (the focus goes to the first tab stop).
  virtual bool OnInitDialog();
  // Pull; when it succeeds, end with IDOK.
  virtual void OnOK();
  // End with IDCANCEL, without a pull.
  virtual void OnCancel();
  virtual void DoDataExchange(DataExchange& dx);
  // A click or command not handled by the default routing; false when nobody takes it.
  virtual bool OnCommandRoute(int id);
  // A system command for the routing table; false when nobody takes it (then the default runs).
  virtual bool OnSysCommandRoute(unsigned id);
  // A person's selection in tree control `id`; false when nobody takes it (nothing happens).
  virtual bool OnTreeSelectRoute(int id);
  // The image indices of an item of tree control `id` inserted with I_IMAGECALLBACK; false when
  // nobody gives them (they stay as `info` holds them).
  virtual bool OnTreeGetDispInfoRoute(int id, TreeDispInfo& info);
  // The default handling of a system command: SC_CLOSE ends the window as Esc does.
  void DefaultSysCommand(unsigned id);

 private:
  const DialogTemplate& template_;
  Dialog* parent_;
  std::unique_ptr<WindowPeer> peer_;
  std::unique_ptr<Menu> systemMenu_;
};

}  // namespace platform
