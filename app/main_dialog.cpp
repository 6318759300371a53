#include "app/main_dialog.h"

#include <filesystem>
#include <system_error>

#include "app/about_dialog.h"
#include "app/resources.h"
#include "platform/gbk.h"
#include "reports/help_texts.h"

namespace quillet {

using platform::MessageEntry;
using platform::MessageKind;

namespace {

constexpr const char kSaveBeforeExit[] = "　家谱有尚未保存的修改，退出前要保存吗?";
constexpr const char kExitCaption[] = "Morvane提示";

// Shown before the welcome text when home.txt could not be read, so that it needs no scrolling:
// which file, why, and from where.
std::string unreadableGenealogyNote(const FamilyTree& tree) {
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::current_path(error);
  std::string note = "\r\n      无法读取家谱文件 home.txt（";
  note += tree.loadFailure() ? loadFailureWords(*tree.loadFailure()) : "读取出错";
  note += "），家谱树为空。\r\n";
  note += "      查找的目录：";
  note += error ? std::string("?") : platform::utf8ToGbk(directory.string());
  return note;
}

// The binding of every bound value: its control, and for an edit box the most GBK bytes a pull
// takes from it (0: any). In the order of the exchange, which matters: a pull stops at the first
// text over its limit, with the values before it taken and those after it not.
struct Binding {
  int id;                                    // an edit box, or a radio group's first button
  std::string BoundValues::*text = nullptr;  // for an edit box
  int BoundValues::*choice = nullptr;        // for a radio group
  int maxBytes = 0;
};

constexpr Binding kBindings[] = {
    {.id = IDC_BIRTH_DATE, .text = &BoundValues::birthDateText, .maxBytes = kDateBytes},
    {.id = IDC_MOTHER_NAME, .text = &BoundValues::motherName, .maxBytes = 7},
    {.id = IDC_BIRTH_NAME, .text = &BoundValues::birthName, .maxBytes = 7},
    {.id = IDC_BIRTH_SEX, .text = &BoundValues::birthSex, .maxBytes = 1},
    {.id = IDC_BRIDE_BIRTH_DATE, .text = &BoundValues::brideBirthDate, .maxBytes = kDateBytes},
    {.id = IDC_HUSBAND_NAME, .text = &BoundValues::husbandName, .maxBytes = 7},
    {.id = IDC_BRIDE_NAME, .text = &BoundValues::brideName, .maxBytes = 7},
    {.id = IDC_MODIFY_CHOICE, .choice = &BoundValues::modifyChoice},
    {.id = IDC_MODIFY_NAME, .text = &BoundValues::modifyName},
    {.id = IDC_DISPLAY, .text = &BoundValues::displayText},
    {.id = IDC_MODIFY_PARAM, .text = &BoundValues::modifyParam},
    {.id = IDC_QUERY_CHOICE, .choice = &BoundValues::queryChoice},
    {.id = IDC_QUERY_KEYWORD, .text = &BoundValues::queryKeyword},
    {.id = IDC_RELATION_FIRST, .text = &BoundValues::relationFirstName},
    {.id = IDC_RELATION_SECOND, .text = &BoundValues::relationSecondName},
};

}  // namespace

MainDialog::MainDialog(ProcessObjects& objects) : Dialog(mainDialogTemplate()), objects_(objects) {
  for (const Binding& binding : kBindings) {
    if (binding.text != nullptr) {
      (objects_.values.*binding.text).clear();
    } else {
      objects_.values.*binding.choice = 0;
    }
  }
}

std::span<const MessageEntry<MainDialog>> MainDialog::messageMap() {
  using D = MainDialog;
  static const MessageEntry<D> map[] = {
      {MessageKind::SysCommand, 0, nullptr, &D::OnSysCommand},
      {MessageKind::Clicked, IDC_MODIFY, &D::OnModify},
      {MessageKind::Clicked, IDC_FETCH, &D::OnFetch},
      {MessageKind::Clicked, IDC_ABOUT_SOFTWARE, &D::OnAboutSoftware},
      {MessageKind::Clicked, IDC_USAGE, &D::OnUsage},
      {MessageKind::Clicked, IDC_RESET_QUERY, &D::OnResetQuery},
      {MessageKind::Clicked, IDC_SAVE, &D::OnSave},
      {MessageKind::Clicked, IDC_PERSON_QUERY, &D::OnPersonQuery},
      {MessageKind::Clicked, IDC_RESET_RELATION, &D::OnResetRelation},
      {MessageKind::Clicked, IDC_RELATION_QUERY, &D::OnRelationQuery},
      {MessageKind::Clicked, IDC_ADD_CHILD, &D::OnAddChild},
      {MessageKind::Clicked, IDC_RESET_BIRTH, &D::OnResetBirth},
      {MessageKind::Clicked, IDC_RESET_MARRIAGE, &D::OnResetMarriage},
      {MessageKind::Clicked, IDC_ADD_WIFE, &D::OnAddWife},
      {MessageKind::Clicked, IDC_ROSTER_NING, nullptr, &D::OnRosterButton},
      {MessageKind::Clicked, IDC_SIDE_MOST, nullptr, &D::OnSideTextButton},
      {MessageKind::Clicked, IDC_SIDE_NUMBER, nullptr, &D::OnSideTextButton},
      {MessageKind::Clicked, IDC_ROSTER_OTHER, nullptr, &D::OnRosterButton},
      {MessageKind::Clicked, IDC_ROSTER_RONG, nullptr, &D::OnRosterButton},
      {MessageKind::Clicked, IDC_ROSTER_SHI, nullptr, &D::OnRosterButton},
      {MessageKind::Clicked, IDC_ROSTER_WANG, nullptr, &D::OnRosterButton},
      {MessageKind::Clicked, IDC_ROSTER_XUE, nullptr, &D::OnRosterButton},
      {MessageKind::Clicked, platform::IDOK, &D::OnOK},
      {MessageKind::Clicked, platform::IDCANCEL, &D::OnCancel},
      {MessageKind::TreeSelect, IDC_TREE, &D::OnSelectTreeItem},
      {MessageKind::Clicked, ID_EXPORT_GEDCOM, &D::OnExportGedcom},
      {MessageKind::Clicked, ID_EXPORT_CHART, &D::OnExportChart},
      {MessageKind::Clicked, ID_IMPORT_GEDCOM, &D::OnImportGedcom},
      {MessageKind::Clicked, ID_EXPORT_BOOK, &D::OnExportBook},
      // Undo, redo and the menu bar's own entries.
      {MessageKind::Clicked, ID_EDIT_UNDO, &D::OnUndo},
      {MessageKind::Clicked, ID_EDIT_REDO, &D::OnRedo},
      {MessageKind::Clicked, ID_EDIT_FIND, &D::OnFind},
      {MessageKind::Clicked, ID_APP_ABOUT, &D::OnAppAbout},
      {MessageKind::Clicked, ID_VIEW_EXACT_TERMS, &D::OnViewExactTerms},
      {MessageKind::Clicked, ID_VIEW_CHINESE_DATES, &D::OnViewChineseDates},
      {MessageKind::Clicked, ID_FILE_OPEN, &D::OnOpenGenealogy},
      {MessageKind::Clicked, ID_HELP_FEATURES, &D::OnFeatures},
  };
  return map;
}

bool MainDialog::OnCommandRoute(int id) {
  bool routed = false;
  if (id > ID_FILE_RECENT && id <= ID_FILE_RECENT + static_cast<int>(platform::RecentList::kMost)) {
    OnOpenRecent(id);
    routed = true;
  } else {
    routed = platform::dispatchMessage(messageMap(), *this, MessageKind::Clicked, id);
  }
  // Every edit, undo, redo and opening comes as a command: 撤销 and 恢复 follow them here.
  if (routed) updateEditEntries();
  return routed;
}

bool MainDialog::OnSysCommandRoute(unsigned id) {
  return platform::dispatchMessage(messageMap(), *this, MessageKind::SysCommand,
                                   static_cast<int>(id));
}

bool MainDialog::OnTreeSelectRoute(int id) {
  return platform::dispatchMessage(messageMap(), *this, MessageKind::TreeSelect, id);
}

void MainDialog::OnSysCommand(int id) {
  if ((static_cast<unsigned>(id) & 0xFFF0u) == IDM_ABOUTBOX) {
    AboutDialog about(this);
    about.DoModal();
  } else {
    DefaultSysCommand(static_cast<unsigned>(id));
  }
}

void MainDialog::DoDataExchange(platform::DataExchange& dx) {
  platform::DDX_Control(dx, IDC_TREE, treeCtrl);
  BoundValues& values = objects_.values;
  for (const Binding& binding : kBindings) {
    if (binding.choice != nullptr) {
      platform::DDX_Radio(dx, binding.id, values.*binding.choice);
      continue;
    }
    platform::DDX_Text(dx, binding.id, values.*binding.text);
    if (binding.maxBytes > 0) platform::DDV_MaxChars(dx, values.*binding.text, binding.maxBytes);
  }
}

bool MainDialog::OnInitDialog() {
  Dialog::OnInitDialog();

  if (platform::Menu* systemMenu = GetSystemMenu(false)) {
    const std::string_view aboutMenu = loadString(IDS_ABOUTBOX);
    if (!aboutMenu.empty()) {
      systemMenu->AppendMenu(platform::MF_SEPARATOR);
      systemMenu->AppendMenu(platform::MF_STRING, IDM_ABOUTBOX, aboutMenu);
    }
  }
  appendExportEntries();
  appendImportEntry();
  appendEditEntries();
  SetIcon(mainIcon(), platform::ICON_BIG);
  SetIcon(mainIcon(), platform::ICON_SMALL);

  const bool loaded = familyTree.load();

  objects_.treeImageList.Create(16, 16, 0, 3, 0);
  treeCtrl.SetImageList(&objects_.treeImageList, platform::TVSIL_NORMAL);
  fillTreeView();

  showStartText(loaded);
  showGenealogyName();
  updateEditEntries();
  return true;
}

void MainDialog::OnOK() {
  if (familyTree.hasUnsavedChanges()) {
    askSaveBeforeExit(platform::IDOK);
    return;
  }
  if (MessageBox("　您真正想退出程序吗?", kExitCaption,
                 platform::MB_OKCANCEL | platform::MB_DEFBUTTON2) == platform::IDOK) {
    Dialog::OnOK();
  }
}

void MainDialog::OnCancel() {
  if (familyTree.hasUnsavedChanges()) {
    askSaveBeforeExit(platform::IDCANCEL);
    return;
  }
  Dialog::OnCancel();
}

void MainDialog::askSaveBeforeExit(int result) {
  switch (MessageBox(kSaveBeforeExit, kExitCaption,
                     platform::MB_YESNOCANCEL | platform::MB_DEFBUTTON3)) {
    case platform::IDYES:
      if (saveGenealogy()) EndDialog(result);
      break;
    case platform::IDNO:
      if (result == platform::IDOK) {
        Dialog::OnOK();
      } else {
        Dialog::OnCancel();
      }
      break;
    default:
      break;
  }
}

bool MainDialog::askSaveBeforeReplacing(std::string_view act) {
  if (!familyTree.hasUnsavedChanges()) return true;
  std::string question = "　家谱有尚未保存的修改，";
  (question += act) += "前要保存吗?";
  switch (MessageBox(question, kExitCaption, platform::MB_YESNOCANCEL | platform::MB_DEFBUTTON3)) {
    case platform::IDYES:
      return saveGenealogy();
    case platform::IDNO:
      return true;
    default:
      return false;
  }
}

void MainDialog::showStartText(bool loaded) {
  if (loaded) {
    showText(welcomeText());
  } else {
    showText(unreadableGenealogyNote(familyTree) + std::string(welcomeText()));
  }
}

void MainDialog::showText(std::string_view text) {
  UpdateData(true);
  displayText.assign(text);
  UpdateData(false);
}

}  // namespace quillet
