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
// which file and from where.
std::string unreadableGenealogyNote() {
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::current_path(error);
  std::string note = "\r\n      无法读取家谱文件 home.txt，家谱树为空。\r\n";
  note += "      查找的目录：";
  note += error ? std::string("?") : platform::utf8ToGbk(directory.string());
  return note;
}

}  // namespace

MainDialog::MainDialog(ProcessObjects& objects)
    : Dialog(mainDialogTemplate()),
      displayText(objects.values.displayText),
      modifyName(objects.values.modifyName),
      modifyChoice(objects.values.modifyChoice),
      modifyParam(objects.values.modifyParam),
      queryChoice(objects.values.queryChoice),
      queryKeyword(objects.values.queryKeyword),
      relationFirstName(objects.values.relationFirstName),
      relationSecondName(objects.values.relationSecondName),
      birthName(objects.values.birthName),
      birthSex(objects.values.birthSex),
      birthDateText(objects.values.birthDateText),
      motherName(objects.values.motherName),
      brideName(objects.values.brideName),
      husbandName(objects.values.husbandName),
      brideBirthDate(objects.values.brideBirthDate),
      familyTree(objects.tree),
      objects_(objects) {
  for (std::string* text :
       {&displayText, &modifyName, &modifyParam, &queryKeyword, &relationFirstName,
        &relationSecondName, &birthName, &birthSex, &birthDateText, &motherName, &brideName,
        &husbandName, &brideBirthDate}) {
    text->clear();
  }
  modifyChoice = 0;
  queryChoice = 0;
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
  };
  return map;
}

bool MainDialog::OnCommandRoute(int id) {
  return platform::dispatchMessage(messageMap(), *this, MessageKind::Clicked, id);
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
  using platform::DDV_MaxChars;
  using platform::DDX_Radio;
  using platform::DDX_Text;
  platform::DDX_Control(dx, IDC_TREE, treeCtrl);
  DDX_Text(dx, IDC_BIRTH_DATE, birthDateText);
  DDV_MaxChars(dx, birthDateText, 8);
  DDX_Text(dx, IDC_MOTHER_NAME, motherName);
  DDV_MaxChars(dx, motherName, 7);
  DDX_Text(dx, IDC_BIRTH_NAME, birthName);
  DDV_MaxChars(dx, birthName, 7);
  DDX_Text(dx, IDC_BIRTH_SEX, birthSex);
  DDV_MaxChars(dx, birthSex, 1);
  DDX_Text(dx, IDC_BRIDE_BIRTH_DATE, brideBirthDate);
  DDV_MaxChars(dx, brideBirthDate, 8);
  DDX_Text(dx, IDC_HUSBAND_NAME, husbandName);
  DDV_MaxChars(dx, husbandName, 7);
  DDX_Text(dx, IDC_BRIDE_NAME, brideName);
  DDV_MaxChars(dx, brideName, 7);
  DDX_Radio(dx, IDC_MODIFY_CHOICE, modifyChoice);
  DDX_Text(dx, IDC_MODIFY_NAME, modifyName);
  DDX_Text(dx, IDC_DISPLAY, displayText);
  DDX_Text(dx, IDC_MODIFY_PARAM, modifyParam);
  DDX_Radio(dx, IDC_QUERY_CHOICE, queryChoice);
  DDX_Text(dx, IDC_QUERY_KEYWORD, queryKeyword);
  DDX_Text(dx, IDC_RELATION_FIRST, relationFirstName);
  DDX_Text(dx, IDC_RELATION_SECOND, relationSecondName);
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
  SetIcon(mainIcon(), platform::ICON_BIG);
  SetIcon(mainIcon(), platform::ICON_SMALL);

  const bool loaded = familyTree.load();

  objects_.treeImageList.Create(16, 16, 0, 3, 0);
  treeCtrl.SetImageList(&objects_.treeImageList, platform::TVSIL_NORMAL);
  fillTreeView();

  if (loaded) {
    showText(welcomeText());
  } else {
    showText(unreadableGenealogyNote() + std::string(welcomeText()));
  }
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

void MainDialog::showText(std::string_view text) {
  UpdateData(true);
  displayText.assign(text);
  UpdateData(false);
}

}  // namespace quillet
