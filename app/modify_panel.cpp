// The modify panel of the group 修改 (fetch a person, change one field) and the save button.
#include <optional>
#include <string>
#include <string_view>

#include "app/main_dialog.h"
#include "app/save_result_text.h"
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
constexpr const char kChangedOnDisk[] =
    "\r\n　家谱文件在本程序读入后已被其他程序改动，为免冲掉那些改动，这次没有保存";
constexpr std::size_t kMostPersonLines = 20;

const char* unsavableText(UnsavableChange why) {
  switch (why) {
    case UnsavableChange::kWifeMadeMale:
      return "妻子不能改为男性";
    case UnsavableChange::kRootGenerationChanged:
      return "始祖的代数只能是0";
    case UnsavableChange::kRootMadeFemale:
      return "始祖不能改为女性";
    case UnsavableChange::kSecondRoot:
      return "只有始祖的代数可以是0";
    case UnsavableChange::kNameReadAsNobody:
      return "以0开头的姓名在家谱文件中读作“无此人”";
    case UnsavableChange::kReadsBackDifferently:
      break;
  }
  return "这项修改无法存入家谱文件";
}

// Why the genealogy file could not be written, as the line under the not-saved text says it.
const char* fileFailureText(const platform::Status& why) {
  using Code = platform::Status::Code;
  switch (why.code()) {
    case Code::kDiskFull:
      return "磁盘已满，没有空间写入家谱文件";
    case Code::kFileTooLarge:
      return "家谱文件超过了系统允许的文件大小";
    case Code::kFolderNotWritable:
      return "家谱文件所在的文件夹不允许写入";
    case Code::kReadOnlyFileSystem:
      return "家谱文件所在的磁盘是只读的";
    case Code::kHeldByAnotherProgram:
      return "另一个程序正占用家谱文件，请稍后再保存";
    case Code::kReadOnlyFile:
      return "家谱文件是只读的";
    case Code::kAttributesNotKept:
      return "新文件无法保留家谱文件的权限或访问控制设置";
    case Code::kAppendOnlyOrImmutable:
      return "家谱文件只允许追加或不允许改动（chattr +a 或 +i）";
    case Code::kSeveralLinks:
      return "家谱文件有多个硬链接，保存会使其他链接仍是旧内容，这次没有保存";
    case Code::kNotFound:
      return "家谱文件所在的文件夹不存在";
    case Code::kNotRegularFile:
      return "家谱文件不是普通文件";
    case Code::kSymbolicLinkLoop:
      return "家谱文件是循环的符号链接";
    case Code::kOk:
    case Code::kChangedSinceRead:  // said on a line of its own
      return nullptr;
    default:
      return "无法写入家谱文件";
  }
}

// The fewest bytes a typed value must have for `field`: none for the sex, toggled whatever was
// typed, nor for a choice of no field, which changes nothing.
std::size_t leastLengthOf(std::optional<PersonField> field) {
  switch (field.value_or(PersonField::kSex)) {
    case PersonField::kName:
      return kFullNameBytes;
    case PersonField::kGeneration:
      return 1;
    case PersonField::kBirthDate:
    case PersonField::kDeath:
      return kDateBytes;
    case PersonField::kSex:
      break;
  }
  return 0;
}

}  // namespace

void MainDialog::OnFetch() {
  UpdateData(true);

  NameKey key{};
  makeNameKey(modifyName, key);
  Person* person = nullptr;
  if (familyTree.findByName(person, key)) {
    writePersonReport(person);
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
  // The radio buttons of 选择修改项目: their choices 0 to 4 are modifyField's selectors 1 to 5.
  const int selector = modifyChoice + 1;
  const std::optional<PersonField> field = fieldOfSelector(selector);
  const std::size_t leastLength = leastLengthOf(field);
  // A new name that cannot be stored as typed (see isStorableName: a key that would cut a
  // character, spaces only, a control byte, a leading 0 read as "nobody") is refused as a name
  // too short is.
  const bool nameRefused = field == PersonField::kName && !isStorableName(modifyParam);
  // A date to be stored must be a day of the calendar (see isStorableDate); the death entry of a
  // person not living brings him back to life and stores nothing, so it asks only for 8 bytes.
  const bool storesDate =
      field == PersonField::kBirthDate || (field == PersonField::kDeath && person->alive == 'y');
  const bool dateRefused = storesDate && !isStorableDate(modifyParam);
  if (modifyParam.size() < leastLength || nameRefused || dateRefused) {
    displayText = field == PersonField::kName ? kNewNameTooShort : kNewValueTooShort;
    UpdateData(false);
    return;
  }
  switch (field.value_or(PersonField::kSex)) {
    case PersonField::kName:
      makeNameKey(modifyParam, newName);
      value = std::string_view(newName.data(), 6);
      break;
    case PersonField::kGeneration:
      value = std::string_view(modifyParam).substr(0, 1);
      break;
    case PersonField::kBirthDate:
    case PersonField::kDeath:
      newDate = makeDate(modifyParam);
      value = std::string_view(newDate.data(), kDateBytes);
      break;
    case PersonField::kSex:
      break;
  }

  const std::size_t editsBefore = familyTree.editsInEffect();
  if (!familyTree.modifyField(person, selector, value)) {
    // The new name is another person's: the box says so, and the window stays as it was.
    MessageBox(kNameDuplicate, nullptr, platform::MB_OK);
    return;
  }

  // A change of a stored value is an edit: the kinship path marked before goes.
  if (familyTree.editsInEffect() != editsBefore) clearKinshipPath();
  writePersonReport(person);
  displayText += kModified;
  if (field == PersonField::kName) {
    showNewName(person);
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
  // save() replaces home.txt only once every byte is written and synced, and only with a file
  // that reads back into this very tree: on failure the old file is whole and the tree can be
  // saved again.
  SaveReport report;
  const bool saved = familyTree.save(report);
  displayText = saveResultText(saved, report);
  UpdateData(false);
  return saved;
}

std::string saveResultText(bool saved, const SaveReport& report) {
  if (saved) return kSaved;
  std::string text = kNotSaved;
  std::size_t shown = 0;
  for (const auto& [person, why] : report.unsavable) {
    if (shown++ == kMostPersonLines) break;
    std::string_view name = keyText(person->name);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    text += "\r\n　";
    text += name;
    text += "：";
    text += unsavableText(why);
  }
  if (report.unsavable.size() > kMostPersonLines) {
    text += "\r\n　……另有";
    text += std::to_string(report.unsavable.size() - kMostPersonLines);
    text += "人";
  }
  if (report.changedOnDisk) text += kChangedOnDisk;
  if (report.unreadRest) {
    text += "\r\n　家谱文件读到第";
    text += std::to_string(report.unreadRest->offset);
    text += "个字节就停止了，其后还有";
    text += std::to_string(report.unreadRest->bytes);
    text += "个字节没有读入，保存会丢掉其中的人员，这次没有保存";
  }
  if (const char* why = fileFailureText(report.fileFailure)) {
    text += "\r\n　";
    text += why;
  }
  return text;
}

}  // namespace quillet
