// The main window: the family tree view at the left, the display pane at the upper right and
// the panels of inputs and buttons at the lower right (dialog template 102).
//
// Every handler follows one convention: pull (UpdateData(true)) the controls into the bound
// values, work, replace or append to `displayText`, push (UpdateData(false)) so that the pane
// shows the answer. Text reaches the pane only that way. Bound texts are GBK; the process-wide
// values live in ProcessObjects, which the window reaches by reference.
//
// The panel handlers are defined in the files of their own subsystem:
//   kinship/relation_panel.cpp, reports/person_query_panel.cpp, reports/roster_panel.cpp,
//   reports/help_panel.cpp, app/add_person_panel.cpp, app/modify_panel.cpp; the context menu's
//   exports in app/export_entries.cpp, its GEDCOM import in app/import_entry.cpp; undo and redo
//   in app/edit_history.cpp; the kinship path's marks in app/kinship_path_marks.cpp; the 视图
//   menu in app/view_menu.cpp; 查找 in app/find_entry.cpp, 关于 in app/about_entry.cpp; 打开家谱
//   and 最近打开 in app/open_entry.cpp.
//
// Single-threaded: the user-interface thread runs every handler to its end.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/process_objects.h"
#include "core/family_tree.h"
#include "core/person.h"
#include "platform/dialog/dialog.h"

namespace quillet {

class MainDialog : public platform::Dialog {
  // First: the bound values below refer into it.
  ProcessObjects& objects_;

 public:
  explicit MainDialog(ProcessObjects& objects);

  // Pulls, replaces `displayText` with `text`, and pushes.
  void showText(std::string_view text);

  // --- The tree view (app/tree_view.cpp) -----------------------------------------------------
  //
  // The item table: entry n is the n-th item inserted since the view was last filled, with its
  // handle and its clan member; a member's treeIndex is the entry of his item. Right after a
  // fill the entries are the items' numbers, that is their places in pre-order (the root 0). An
  // item a birth adds later takes the next entry; the numbers it shifts (those of every item
  // after it) are worked out when an image index asks for them (itemNumber).

  // Empties the tree view and fills it again from the family tree.
  void refillTreeView();
  // Inserts the root's item and every clan member below it. REQUIRES: the view is empty.
  void fillTreeView();
  // Inserts under the item of entry `itemNumber` one item per child of `person` in sibling
  // order, each followed at once by its descendants' items, then expands that item.
  void addChildItems(int itemNumber, Person* person);
  // After a birth: the view as a refill would show it, the child's item added where the walk
  // reaches it (if it does); nothing selected. Constant time.
  void showNewChild(Person* child);
  // After a marriage (`person` the new wife) or a change of `person`'s name: the view as a
  // refill would show it, the labels naming him written anew; nothing selected. Constant time.
  void showNewName(Person* person);
  // After an undo of a birth: the child's item (if shown) removed, the view as a refill would
  // show it; nothing selected. Constant time when the child's item is the newest, as it is for
  // every birth since the fill.
  void showChildRemoved(Person* child);
  // Selects and scrolls to the item of `person` in the current fill, or for a wife her
  // husband's, without running the selection handler. False (and nothing selected anew) when
  // neither has an item.
  bool selectPersonItem(const Person* person);
  // The clan member whose item `item` is in the current view, or null.
  Person* personOfItem(platform::HTREEITEM item) const;
  // The place in pre-order of the item of entry `entry`: the number a refill would give it.
  // Constant time, but once after a birth, when every item's number is worked out anew.
  int itemNumber(int entry);

  // Pulls, saves the tree to home.txt, shows the saved or the not-saved text in the pane and
  // pushes: 保存修改 after its warning, and the exit question's Yes. True when saved.
  bool saveGenealogy();

  // --- Bound values: the process-wide values of ProcessObjects by name (GBK). Their controls
  // and limits are the binding table in main_dialog.cpp.
  std::string& displayText = objects_.values.displayText;
  std::string& modifyName = objects_.values.modifyName;
  int& modifyChoice = objects_.values.modifyChoice;
  std::string& modifyParam = objects_.values.modifyParam;
  int& queryChoice = objects_.values.queryChoice;
  std::string& queryKeyword = objects_.values.queryKeyword;
  std::string& relationFirstName = objects_.values.relationFirstName;
  std::string& relationSecondName = objects_.values.relationSecondName;
  std::string& birthName = objects_.values.birthName;
  std::string& birthSex = objects_.values.birthSex;
  std::string& birthDateText = objects_.values.birthDateText;
  std::string& motherName = objects_.values.motherName;
  std::string& brideName = objects_.values.brideName;
  std::string& husbandName = objects_.values.husbandName;
  std::string& brideBirthDate = objects_.values.brideBirthDate;

  // The one family tree of the process.
  FamilyTree& familyTree = objects_.tree;
  // The tree view, control 1000.
  platform::TreeCtrl treeCtrl;

  // --- Handlers (routing table in main_dialog.cpp) -------------------------------------------
  // kinship/relation_panel.cpp
  void OnRelationQuery();  // 1025
  void OnResetRelation();  // 1024
  // reports/person_query_panel.cpp
  void OnPersonQuery();  // 1019
  void OnResetQuery();   // 1018
  // reports/roster_panel.cpp
  void OnRosterButton(int buttonId);    // 1022 1039 1040 1042 1037 1043
  void OnSideTextButton(int buttonId);  // 1038 1045
  // reports/help_panel.cpp
  void OnAboutSoftware();  // 1011
  void OnUsage();          // 1012
  void OnFeatures();  // ID_HELP_FEATURES: 功能说明, what the window does beyond the original
  // app/add_person_panel.cpp
  void OnAddChild();       // 1031
  void OnResetBirth();     // 1030
  void OnAddWife();        // 1036
  void OnResetMarriage();  // 1035
  // app/modify_panel.cpp
  void OnFetch();   // 1003
  void OnModify();  // 1010
  void OnSave();    // 1020
  // app/tree_view.cpp
  void OnSelectTreeItem();  // a person selected an item of 1000: his detailed report
  // app/export_entries.cpp: the context menu's entries
  void OnExportGedcom();  // ID_EXPORT_GEDCOM
  void OnExportChart();   // ID_EXPORT_CHART
  void OnExportBook();    // ID_EXPORT_BOOK: the printed book, with a progress dialog
  // app/import_entry.cpp: the context menu's GEDCOM import
  void OnImportGedcom();  // ID_IMPORT_GEDCOM

  // --- What an export or the import did, in the pane (app/export_entries.cpp) -----------------
  // Once a file is written: `done` and the file ("已导出家谱书：PATH", the path UTF-8), then on a
  // line of their own its pages (when it has pages) and the persons it holds, then `after`.
  void sayWritten(std::string_view done, const std::string& path, int pages, std::size_t persons,
                  std::string_view after = {});
  // When nothing is written: a warning box titled `caption` says `why`, and the pane keeps
  // `failed` and, on the next line, `why` once the box is closed.
  void sayRefused(std::string_view caption, std::string_view failed, std::string_view why);

  // --- Opening another genealogy (app/open_entry.cpp) ------------------------------------------
  // ID_FILE_OPEN: with unsaved changes the question whether to save them first, then a folder
  // chooser (a folder holding home.txt, or a home.txt); a folder without home.txt says so and the
  // chooser comes back.
  void OnOpenGenealogy();
  // ID_FILE_RECENT + 1 ... + RecentList::kMost: the n-th genealogy of 最近打开. One no longer
  // there is said so and dropped from the list; else the question as for 打开, then it opens.
  void OnOpenRecent(int id);
  // Opens the genealogy of `folder` (UTF-8) as the window opens one at start-up: it becomes the
  // working directory, home.txt is loaded twice (the process objects' load and the window's),
  // the tree view filled anew, the pane showing the welcome text (after the note of what could
  // not be read); the history of edits and the kinship path go, the views stay as they are; the
  // title names the clan and the folder, and the folder heads 最近打开. False, with a warning box
  // and nothing changed, when the folder cannot be entered.
  bool openGenealogy(const std::string& folder);
  // The title (《X氏家谱》 after the root's surname, the folder) and 最近打开 for the genealogy
  // open now; a genealogy that was read heads the list of those opened last.
  void showGenealogyName();

  // System commands: the About entry (16) opens the About box; others go to the default.
  void OnSysCommand(int id);

  // --- Undo and redo (app/edit_history.cpp) ---------------------------------------------------
  void OnUndo();  // ID_EDIT_UNDO: takes back the latest edit, or says there is none
  void OnRedo();  // ID_EDIT_REDO: does the latest taken-back edit again

  // --- 查找 (app/find_entry.cpp) and 关于 (app/about_entry.cpp) --------------------------------
  void OnFind();      // ID_EDIT_FIND: the tree's find field
  void OnAppAbout();  // ID_APP_ABOUT: the About box, as the system menu's entry opens it

  // --- The kinship path's marks (app/kinship_path_marks.cpp) -----------------------------------
  // Marks the items of the kinship path from `first` to `second` (kinship/kinship.h),
  // expands their ancestors and scrolls the first into view; the old marks go first.
  void markKinshipPath(const Person& first, const Person& second);
  // Unmarks the items of the kinship path, if any.
  void clearKinshipPath();

  // --- The 视图 menu (app/view_menu.cpp) ---------------------------------------------------------
  // Both views start off; with both off the window shows exactly what it showed before they
  // existed. Turning one on or off shows nothing: it changes what later commands show.
  void OnViewExactTerms();    // ID_VIEW_EXACT_TERMS: 精确称谓 after a worded relation query
  void OnViewChineseDates();  // ID_VIEW_CHINESE_DATES: 农历日期 in a person's report
  bool showsExactTerms() const { return exactTerms_; }
  bool showsChineseDates() const { return chineseDates_; }
  // Replaces `displayText` with the detailed report of `person` (reports/person_report.h), ending
  // with its line of dates in the Chinese calendar while 农历日期 is on. A null `person` leaves
  // `displayText` untouched.
  void writePersonReport(const Person* person);
  // The items marked now, from the path's first person to its second.
  const std::vector<platform::HTREEITEM>& markedItems() const { return markedItems_; }

 protected:
  bool OnInitDialog() override;
  // The exit question; OK ends the window through the default OnOK (pull, then IDOK). With
  // unsaved changes the question whether to save them comes instead (askSaveBeforeExit).
  void OnOK() override;
  // Ends the window with IDCANCEL at once; with unsaved changes, asks first as OnOK does.
  void OnCancel() override;
  void DoDataExchange(platform::DataExchange& dx) override;
  bool OnCommandRoute(int id) override;
  bool OnSysCommandRoute(unsigned id) override;
  bool OnTreeSelectRoute(int id) override;
  // The image index of a tree item: 0 for the root's, for others their parent's number plus 1.
  bool OnTreeGetDispInfoRoute(int id, platform::TreeDispInfo& info) override;

 private:
  // The routing table: every click and system command the window handles.
  static std::span<const platform::MessageEntry<MainDialog>> messageMap();
  // Appends the export entries to the context menu, after a separator.
  void appendExportEntries();
  // Appends the GEDCOM import entry to the context menu.
  void appendImportEntry();
  // Appends 撤销 and 恢复 to the context menu, after a separator.
  void appendEditEntries();
  // Shows an undo's or redo's outcome: the view updated, the person concerned selected, one line
  // in the pane.
  void showUndone(const FamilyTree::EditSummary& edit, bool undone);
  // The question asked, with unsaved changes, before the window ends with `result`: Yes saves
  // and ends when the save succeeds, No ends as without changes, Cancel leaves the window open.
  void askSaveBeforeExit(int result);
  // The question asked, with unsaved changes, before another genealogy replaces this one (`act`
  // names what replaces it: "导入", "打开另一家谱"): Yes saves first, No goes on without saving;
  // true when the replacement may go on.
  bool askSaveBeforeReplacing(std::string_view act);
  // Names 撤销 and 恢复 after the edit each would take back or do again, greyed out when there is
  // none (the menu bar's and the context menu's entries alike).
  void updateEditEntries();
  // The list of 最近打开 as the recent list holds it now.
  void showRecentList();
  // The pane as the window opens on a genealogy: the welcome text, after a note of which file
  // could not be read and why when the load did not read it (`loaded` false).
  void showStartText(bool loaded);

  // The tree view's item table (see above).
  int insertPersonItem(Person& person, platform::HTREEITEM parent, platform::HTREEITEM after);
  bool isShown(const Person* person) const;
  platform::HTREEITEM itemOf(const Person& person) const;  // REQUIRES: isShown(&person)
  void finishTreeEdit();

  // Entries are the items in the order they were inserted since the fill: entry n is the
  // control's item n + 1, and its data is the person it shows.
  std::size_t entries_ = 0;
  // Item numbers by entry, once a birth made them differ from the entries; empty until asked.
  bool numbersAreEntries_ = true;
  std::vector<int> itemNumbers_;
  std::string labelBuffer_;  // the label being made, kept to spare an allocation an item
  int bornItems_ = 0;        // items births added since the fill
  std::vector<platform::HTREEITEM> markedItems_;  // the kinship path's, in its order
  bool exactTerms_ = false;                       // 视图 > 精确称谓
  bool chineseDates_ = false;                     // 视图 > 农历日期
  std::string undoEntry_, redoEntry_;  // the texts 撤销 and 恢复 were last given (GBK)
};

}  // namespace quillet
