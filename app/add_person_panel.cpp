// The add-person panels of the group 添加: 出生 records a birth to a named mother, 迎娶 a marriage
// to a named man. The checks run in one order in both: the lengths of the inputs, then a name
// already present, then the mother or husband; only the first failure is shown.
#include <string>

#include "app/main_dialog.h"
#include "core/family_tree.h"
#include "core/person.h"
#include "reports/person_report.h"

namespace quillet {
namespace {

// The complaint of each panel about its inputs, a new name that cannot be stored as typed among
// them (see isStorableName: too short, a key that would cut a character, spaces only, a control
// byte, a leading 0), and a date that is no day of the calendar (see isStorableDate: not 8
// digits, a month over 12, a day the month lacks, a day without its month).
constexpr const char kBirthRefused[] =
    "\r\n\r\n\r\n    "
    "您的输入不合法，请注意新人姓名至少两个字，出生日期为8位，如17830216，性别为一位，输入m/f";
constexpr const char kMarriageRefused[] =
    "\r\n\r\n\r\n        您的输入不合法，请注意新人姓名至少两个字，出生日期为8位，如17830216";
constexpr const char kNameTaken[] = "新人姓名与已有人员重名，系统不支持";
constexpr const char kAdded[] = "\r\n\r\n增加成功";
constexpr const char kBirthFailed[] =
    "\r\n\r\n\r\n 添加失败!\r\n 失败原因：\r\n   1 其母姓名不在贾氏家族家谱中。\r\n   2 "
    "错输其父姓名为其母姓名";
constexpr const char kMarriageFailed[] =
    "\r\n\r\n\r\n添加失败!\r\n "
    "失败原因：\r\n　1　其丈夫姓名不在贾氏家族家谱中。\r\n　2　您输入的丈夫不是男性";

}  // namespace

void MainDialog::OnAddChild() {
  UpdateData(true);
  displayText.clear();

  const char sex = birthSex.empty() ? '\0' : birthSex[0];
  if (!isStorableDate(birthDateText) || !isStorableName(birthName) || birthSex.empty() ||
      (sex != 'f' && sex != 'm')) {
    displayText = kBirthRefused;
    UpdateData(false);
    return;
  }

  NameKey childKey{};
  NameKey motherKey{};
  makeNameKey(birthName, childKey);
  makeNameKey(motherName, motherKey);

  // Any record of the file holds its name, reached by the walks or not.
  if (familyTree.holdsName(childKey)) {
    displayText = kNameTaken;
    UpdateData(false);
    return;
  }

  // addChild refuses (and changes nothing) for a mother without a husband: never report that
  // as a recorded birth.
  bool added = false;
  Person* mother = nullptr;
  Person* newChild = nullptr;
  if (familyTree.findByName(mother, motherKey) && mother->sex == 'f') {
    const DateText birthDate = makeDate(birthDateText);
    added = familyTree.addChild(childKey, motherKey, sex, birthDate, &newChild);
  }
  if (added) {
    Person* child = nullptr;
    familyTree.findByName(child, childKey);
    writePersonReport(child);
    displayText += kAdded;
    clearKinshipPath();
    showNewChild(newChild);
    selectPersonItem(child);
  } else {
    displayText += kBirthFailed;
  }

  UpdateData(false);
}

void MainDialog::OnResetBirth() {
  UpdateData(true);
  birthName.clear();
  motherName.clear();
  birthDateText.clear();
  birthSex.clear();
  UpdateData(false);
}

void MainDialog::OnAddWife() {
  UpdateData(true);
  displayText.clear();

  if (!isStorableDate(brideBirthDate) || !isStorableName(brideName) ||
      husbandName.size() < kFullNameBytes) {
    displayText = kMarriageRefused;
    UpdateData(false);
    return;
  }

  NameKey brideKey{};
  NameKey husbandKey{};
  makeNameKey(brideName, brideKey);
  makeNameKey(husbandName, husbandKey);

  // Any record of the file holds its name, reached by the walks or not.
  if (familyTree.holdsName(brideKey)) {
    displayText = kNameTaken;
    UpdateData(false);
    return;
  }

  // addWife refuses (and changes nothing) a third wife: never report that as a marriage.
  bool added = false;
  Person* husband = nullptr;
  Person* newWife = nullptr;
  if (familyTree.findByName(husband, husbandKey) && husband->sex == 'm') {
    const DateText birthDate = makeDate(brideBirthDate);
    added = familyTree.addWife(brideKey, husbandKey, birthDate, &newWife);
  }
  if (added) {
    Person* bride = nullptr;
    familyTree.findByName(bride, brideKey);
    writePersonReport(bride);
    displayText += kAdded;
    clearKinshipPath();
    showNewName(newWife);     // her husband's label names her
    selectPersonItem(bride);  // her husband's item
  } else {
    displayText += kMarriageFailed;
  }

  UpdateData(false);
}

void MainDialog::OnResetMarriage() {
  UpdateData(true);
  brideName.clear();
  husbandName.clear();
  brideBirthDate.clear();
  UpdateData(false);
}

}  // namespace quillet
