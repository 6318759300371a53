// The seam between the dialog layer and a window system. A backend builds a window from a
// template and answers message boxes; the window (a WindowPeer) holds the controls and reports
// the user's acts back to its Dialog. The window logic talks only to Dialog; Qt lives behind
// this interface (platform/qt), and so does the in-memory twin used by tests and the batch
// driver (platform/headless).
//
// Texts crossing this seam are GBK byte strings; a backend converts at its own edge.
// Single-threaded: everything runs on the user-interface thread.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/dialog/dialog_template.h"
#include "platform/dialog/recent_list.h"
#include "platform/dialog/tree_items.h"
#include "platform/dialog/win_types.h"

namespace platform {

class Dialog;

// What a tree control asks its dialog about an item whose image indices are I_IMAGECALLBACK
// (the framework's TVN_GETDISPINFO): the dialog fills in `image` and `selectedImage`.
struct TreeDispInfo {
  HTREEITEM item = TVI_NULL;
  std::intptr_t data = 0;  // the item's program data
  int image = 0;
  int selectedImage = 0;
};

// The events a window reports to its dialog. Implemented by Dialog.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // A push button was clicked, Enter pressed (IDOK) or Esc / the close box used (IDCANCEL).
  virtual void onCommand(int id) = 0;
  // A system-menu command was chosen.
  virtual void onSysCommand(unsigned id) = 0;
  // A person selected an item of tree control `id` (clicked it, moved to it with the keys, or
  // found it with the tree's find field); the item is the control's selected item. A click on
  // the item already selected reports it again. Selections the program makes are not reported.
  virtual void onTreeSelect(int id) = 0;
  // Tree control `id` needs the image indices of an item inserted with I_IMAGECALLBACK; they
  // are asked for whenever they are needed, and not kept.
  virtual void onTreeGetDispInfo(int id, TreeDispInfo& info) = 0;
};

// One open window built from a template.
class WindowPeer {
 public:
  virtual ~WindowPeer() = default;

  // Runs the modal loop until endDialog; returns its result, or 0 when the loop stopped
  // without one (a headless run whose input ended).
  virtual int runModalLoop() = 0;
  virtual void endDialog(int result) = 0;
  virtual bool ended() const = 0;

  // Edit boxes.
  virtual std::string text(int id) const = 0;
  // The text of edit box `id` into `value`, as text(id) gives it; a backend whose text is held
  // as GBK bytes leaves a `value` that equals it untouched and otherwise reuses its storage, so
  // that a pull of a long unchanged text neither allocates nor copies.
  virtual void copyText(int id, std::string& value) const { value = text(id); }
  virtual void setText(int id, std::string_view gbk) = 0;
  // Bytes of GBK a user can type into edit box `id`; 0 lifts the limit.
  virtual void setLimit(int id, std::size_t bytes) = 0;

  // Radio buttons.
  virtual bool isChecked(int id) const = 0;
  virtual void setChecked(int id, bool checked) = 0;

  // The tree control `id`. Its items, to read (null when `id` is no tree control); they change
  // only through the calls below, each of which takes constant time (see TreeItems).
  virtual const TreeItems* treeItems(int id) const = 0;
  // TVI_NULL when `parent` is no item; see TreeItems::insert.
  virtual HTREEITEM insertTreeItem(int id, std::string_view gbkLabel, int image, int selectedImage,
                                   HTREEITEM parent, HTREEITEM insertAfter, std::intptr_t data) = 0;
  virtual bool setTreeItemText(int id, HTREEITEM item, std::string_view gbkLabel) = 0;
  virtual bool deleteAllTreeItems(int id) = 0;
  // TVE_EXPAND, TVE_COLLAPSE or TVE_TOGGLE; false for an item without children, as the system's
  // control answers.
  virtual bool expandTreeItem(int id, HTREEITEM item, unsigned code) = 0;
  // Expands every item that has children (see TreeItems::expandAll for its cost).
  virtual bool expandAllTreeItems(int id) = 0;
  virtual void setTreeImageSize(int id, int width, int height) = 0;
  // Makes `item` the selected item (TVI_NULL: none); false when it is no item of the control.
  // Not reported to the dialog. Emptying the control selects nothing.
  virtual bool selectTreeItem(int id, HTREEITEM item) = 0;
  // The selected item, or TVI_NULL.
  virtual HTREEITEM selectedTreeItem(int id) const = 0;
  // Expands the item's ancestors and scrolls the control so that the item shows; false when it
  // is no item of the control.
  virtual bool ensureTreeItemVisible(int id, HTREEITEM item) = 0;

  // --- Removing and marking items, the find field ----------------------------------------------
  // Removes the newest item of the tree control (see TreeItems::removeNewest); false when it is
  // no tree control, has no item, or its newest item has children.
  virtual bool removeNewestTreeItem(int id) = 0;
  // Marks or unmarks an item: a marked item is set off from the others (drawn bold on a
  // highlight distinct from the selection). False when it is no item of the control.
  virtual bool markTreeItem(int id, HTREEITEM item, bool marked) = 0;
  // Opens the tree control's find field and gives it the focus, as Ctrl+F does; a backend
  // without one ignores it.
  virtual void openTreeFind(int id) = 0;
  // Sets or clears the check mark of the menu-bar entry of command `commandId` (an entry made
  // with MF_CHECKMARK); a window without such an entry ignores it.
  virtual void checkMenuBarEntry(unsigned commandId, bool checked) = 0;
  // Names and enables (or greys out) every entry of command `commandId`, in the menu bar and in
  // the context menu: `gbkText` is its new text (a menu-bar entry keeps the key its template
  // shows after a tab). A greyed entry cannot be chosen; the command's keys still run it.
  virtual void setCommandEntry(unsigned commandId, bool enabled, std::string_view gbkText) = 0;
  // The entries of the list that the menu-bar entry of command `listId` opens (an entry made
  // with MF_POPUP), replacing those before: entry n (0 the first) runs command listId + 1 + n. An
  // empty list greys the entry out. A window without such an entry ignores it.
  virtual void setMenuBarList(unsigned listId, std::span<const std::string> gbkTexts) = 0;
  // The window's title.
  virtual void setTitle(std::string_view gbk) = 0;
  // The system menu; a window without one ignores the appends.
  virtual bool hasSystemMenu() const = 0;
  virtual void appendSystemMenu(unsigned flags, unsigned commandId, std::string_view gbk) = 0;
  // The window's own context-menu entries (a separator for MF_SEPARATOR), shown after the
  // system-menu entries where a backend shows those in the context menu. Choosing one reports
  // onCommand(commandId), as a push button's click does.
  virtual void appendContextMenu(unsigned flags, unsigned commandId, std::string_view gbk) = 0;

  virtual void setIcon(const IconResource& icon, bool big) = 0;
};

// A file a person chose to write: its path as the file system names it (UTF-8 bytes, not GBK),
// and which of the chooser's filters was selected (0 the first).
struct SaveFileChoice {
  std::string path;
  std::size_t filter = 0;
};

// What a folder chooser asks for (Backend::folderName).
enum class FolderChoice {
  kToWrite,    // a folder to write into: an existing one, or a new one typed
  kGenealogy,  // a genealogy to open: an existing folder, or a file in one
};

// --- Progress dialogs ---------------------------------------------------------------------------

// An open progress dialog: a text, a bar of a number of steps and a cancel button, over the
// window that opened it. It closes when destroyed.
class ProgressDialog {
 public:
  virtual ~ProgressDialog() = default;
  // Shows that `done` of the dialog's steps are done, and lets the person act meanwhile (a
  // click on the cancel button). True while the work may go on; false once the person has
  // cancelled (and for every later call).
  virtual bool setProgress(std::size_t done) = 0;
};

// --- End of progress dialogs ---------------------------------------------------------------------

class Backend {
 public:
  virtual ~Backend() = default;
  // A window for `dialog` from `dialogTemplate`, its controls created, not yet shown, or null when
  // none can be made. `parent` is the open window the new one is modal to, or null.
  virtual std::unique_ptr<WindowPeer> createWindow(const DialogTemplate& dialogTemplate,
                                                   WindowEvents& events, WindowPeer* parent) = 0;
  // Shows a message box with the buttons of `type` (MB_OK, MB_OKCANCEL, MB_YESNOCANCEL) and its
  // default button (MB_DEFBUTTON1..3); returns the button pressed: IDOK, IDCANCEL, IDYES or IDNO.
  // Closing a box that has a Cancel button answers IDCANCEL; closing an MB_OK box, IDOK.
  virtual int messageBox(WindowPeer* parent, std::string_view gbkText, std::string_view gbkCaption,
                         unsigned type) = 0;
  // Asks for a file to write: a chooser titled `gbkCaption`, `gbkSuggestedName` filled in, the
  // filters `gbkFilters` offered ("SVG (*.svg)"), the first selected. Nothing when the person
  // cancelled. The file is neither opened nor made.
  virtual std::optional<SaveFileChoice> saveFileName(
      WindowPeer* parent, std::string_view gbkCaption, std::string_view gbkSuggestedName,
      std::span<const std::string_view> gbkFilters) = 0;

  // --- Reading another program's file in (the GEDCOM import) ---------------------------------
  // Asks for an existing file to read: a chooser titled `gbkCaption` offering the filters
  // `gbkFilters` ("GEDCOM (*.ged)"). Its path as the file system names it (UTF-8 bytes), or
  // nothing when the person cancelled. The file is not opened.
  virtual std::optional<std::string> openFileName(WindowPeer* parent, std::string_view gbkCaption,
                                                  std::span<const std::string_view> gbkFilters) = 0;
  // Asks for a folder: one to write into (FolderChoice::kToWrite: an existing folder, or a new
  // one whose name the person types or makes in the chooser; the chooser makes none itself) or a
  // genealogy to open (kGenealogy: an existing folder, or a file in one, home.txt). Its path
  // (UTF-8 bytes) as chosen, or nothing when cancelled.
  virtual std::optional<std::string> folderName(WindowPeer* parent, std::string_view gbkCaption,
                                                FolderChoice choice) = 0;
  // A modal report: `gbkText` above a scrollable list of `gbkLines`, with the buttons
  // `gbkAccept` and `gbkReject`. True when the person accepted; closing it rejects.
  virtual bool reportDialog(WindowPeer* parent, std::string_view gbkCaption,
                            std::string_view gbkText, std::span<const std::string> gbkLines,
                            std::string_view gbkAccept, std::string_view gbkReject) = 0;
  // Asks for one of `gbkChoices`: a modal dialog titled `gbkCaption`, `gbkText` above a radio
  // button for each choice (the `initial` one checked), an OK and a Cancel button. The index of
  // the choice taken, or nothing when the person cancelled (closing the dialog cancels).
  virtual std::optional<std::size_t> choiceDialog(WindowPeer* parent, std::string_view gbkCaption,
                                                  std::string_view gbkText,
                                                  std::span<const std::string_view> gbkChoices,
                                                  std::size_t initial) = 0;
  // Opens a progress dialog titled `gbkCaption` over `parent`, saying `gbkText`, with a bar of
  // `steps` steps. It shows only once the work has lasted more than a moment, so that quick work
  // flashes no window. Null when none can be made (the work then goes on without one).
  virtual std::unique_ptr<ProgressDialog> openProgress(WindowPeer* parent,
                                                       std::string_view gbkCaption,
                                                       std::string_view gbkText,
                                                       std::size_t steps) = 0;
  // The list of the genealogies opened last, as the window system keeps it between runs.
  virtual RecentList& recentList() = 0;
};

// The answers a message box of `type` can give, in button order (OK; OK, Cancel; Yes, No,
// Cancel). An unknown button set is taken as MB_OK.
std::span<const int> messageBoxButtons(unsigned type);
// The answer of the box's default button: the MB_DEFBUTTONn-th of its buttons, or the first
// when it has fewer.
int defaultMessageBoxAnswer(unsigned type);

// The process's backend, not owned; installed (ScopedBackend) by main() or a test before any
// dialog runs. Null until then: a dialog without a backend does not open.
Backend* currentBackend();
void setBackend(Backend* backend);

// Installs `backend` (null: none) as the process's backend for the guard's life and puts back
// the one it replaced. REQUIRES: guards end in the reverse order of their making; `backend`
// outlives the guard.
class ScopedBackend {
 public:
  explicit ScopedBackend(Backend* backend) : previous_(currentBackend()) { setBackend(backend); }
  ~ScopedBackend() { setBackend(previous_); }
  ScopedBackend(const ScopedBackend&) = delete;
  ScopedBackend& operator=(const ScopedBackend&) = delete;

 private:
  Backend* previous_;
};

// The application's name: the program file's name without its extension ("quillet",
// "quillet-batch"), as GBK. Message boxes without a caption carry it.
const std::string& applicationName();

}  // namespace platform
