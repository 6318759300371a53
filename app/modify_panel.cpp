// The modify panel of the group 修改 (fetch a person, change one field) and the save button.
#include <string>
#include <string_view>

#include "app/main_dialog.h"
#include "core/family_tree.h"
#include "core/person.h"
#include "reports/person_report.h"

namespace quillet {
namespace {

constexpr const char kNotInTree[] = "\r\n\r\n\r\n      人员非贾氏家族成员，无法通过家族树进行修改!";
constexpr const char kNoName[] = "\r\n\r\n\r\n      您没有输入姓名!";
constexpr const char kNewNameTooShort[] = "\r\n\r\n               请勿将关健字设为空。";
constexpr const char kNewValueTooShort[] = "\r\n\r\n                请勿将关健字设为空。";
constexpr const char kModified[] = "\r\n\r\n修改结果如上";
constexpr const char kNameDuplicate[] = "人名重复，不能修改!";
constexpr const char kSaveWarning[] = "保存后可能会导至文件不可调用或与原著不符\r\n 保存吗？";
constexpr const char kSaveWarningCaption[] = "警告";
constexpr const char kSaved[] = "\r\n\r\n\r\n        保存成功！";
constexpr const char kNotSaved[] = "\r\n\r\n\r\n            保存失败";

// The radio buttons of 选择修改项目; the field selector of modifyField is the choice plus 1.
enum ModifyChoice { kName = 0, kSex = 1, kGeneration = 2, kBirthDate = 3, kDeathDate = 4 };

}  // namespace

void MainDialog::OnFetch() {
  UpdateData(true);

  NameKey key{};
  makeNameKey(modifyName, key);
  Person* person = nullptr;
  if (familyTree.findByName(person, key)) {
    showPersonDetails(person, displayText);
    if (!modifyName.empty()) selectPersonItem(person);
  } else {
    displayText = kNotInTree;
  }
  if (modifyName.empty()) displayText = kNoName;

  UpdateData(false);
}

void MainDialog::OnModify() {
  UpdateData(true);

  NameKey key{};
  makeNameKey(modifyName, key);
  Person* person = nullptr;
  if (!familyTree.findByName(person, key)) {
    displayText = modifyName.empty() ? kNoName : kNotInTree;
    UpdateData(false);
    return;
  }
  selectPersonItem(person);

  // The new value, prepared as the chosen field needs it; the buffers outlive the call.
  NameKey newName{};
  DateText newDate{};
  std::string_view value;
  std::size_t leastLength = 0;
  switch (modifyChoice) {
    case kName:
      leastLength = kFullNameBytes;
      break;
    case kGeneration:
      leastLength = 1;
      break;
    case kBirthDate:
    case kDeathDate:
      leastLength = kDateBytes;
      break;
    default:  // the sex is toggled whatever was typed
      break;
  }
  if (modifyParam.size() < leastLength) {
    displayText = modifyChoice == kName ? kNewNameTooShort : kNewValueTooShort;
    UpdateData(false);
    return;
  }
  switch (modifyChoice) {
    case kName:
      makeNameKey(modifyParam, newName);
      value = std::string_view(newName.data(), 6);
      break;
    case kGeneration:
      value = std::string_view(modifyParam).substr(0, 1);
      break;
    case kBirthDate:
    case kDeathDate:
      newDate = makeDate(modifyParam);
      value = std::string_view(newDate.data(), kDateBytes);
      break;
    default:
      break;
  }

  if (!familyTree.modifyField(person, modifyChoice + 1, value)) {
    // The new name is another person's: the box says so, and the window stays as it was.
    MessageBox(kNameDuplicate, nullptr, platform::MB_OK);
    return;
  }

  showPersonDetails(person, displayText);
  displayText += kModified;
  if (modifyChoice == kName) {
    refillTreeView();
    selectPersonItem(person);
  }

  UpdateData(false);
}

void MainDialog::OnSave() {
  if (MessageBox(kSaveWarning, kSaveWarningCaption,
                 platform::MB_OKCANCEL | platform::MB_DEFBUTTON2) != platform::IDOK) {
    return;
  }
  saveGenealogy();
}

bool MainDialog::saveGenealogy() {
  UpdateData(true);
  // save() replaces home.txt only once every byte is written and synced: on failure the old
  // file is whole and the tree can be saved again.
  const bool saved = familyTree.save();
  displayText = saved ? kSaved : kNotSaved;
  UpdateData(false);
  return saved;
}

}  // namespace quillet
