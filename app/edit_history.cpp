// Undo and redo of the window's edits (the tree keeps the history, see FamilyTree::undo) and their
// menu entries, named after what they would do.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/main_dialog.h"
#include "app/resources.h"

namespace quillet {
namespace {

constexpr const char kUndone[] = "已撤销：";
constexpr const char kRedone[] = "已恢复：";
constexpr const char kNothingToUndo[] = "没有可撤销的修改";
constexpr const char kNothingToRedo[] = "没有可恢复的修改";

// The name of each field modifyField changes.
constexpr std::pair<PersonField, const char*> kFieldNames[] = {
    {PersonField::kName, "姓名"},
    {PersonField::kSex, "性别"},
    {PersonField::kGeneration, "代数"},
    {PersonField::kBirthDate, "出生日期"},
    {PersonField::kDeath, "死亡日期"}};

const char* fieldWords(PersonField field) {
  for (const auto& [named, words] : kFieldNames) {
    if (named == field) return words;
  }
  return "";
}

std::string_view trimmedName(const Person& person) {
  std::string_view name = keyText(person.name);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// 出生 NAME, 迎娶 NAME or 修改 NAME 的FIELD: the edit, named after its person as named now.
std::string editWords(const FamilyTree::EditSummary& edit) {
  std::string line;
  switch (edit.kind) {
    case FamilyTree::EditKind::kBirth:
      line += "出生 ";
      line += trimmedName(*edit.person);
      break;
    case FamilyTree::EditKind::kMarriage:
      line += "迎娶 ";
      line += trimmedName(*edit.person);
      break;
    case FamilyTree::EditKind::kChange:
      line += "修改 ";
      line += trimmedName(*edit.person);
      line += " 的";
      line += fieldWords(edit.field);
      break;
  }
  return line;
}

// The pane's line after an undo or redo: 已撤销： or 已恢复： and the edit.
std::string outcomeLine(const FamilyTree::EditSummary& edit, bool undone) {
  return (undone ? kUndone : kRedone) + editWords(edit);
}

// A menu entry's text: 撤销 or 恢复, and the edit it would take back or do again.
std::string entryText(const char* command, const std::optional<FamilyTree::EditSummary>& edit) {
  std::string text = command;
  if (edit) (text += ' ') += editWords(*edit);
  return text;
}

}  // namespace

void MainDialog::appendEditEntries() {
  AppendContextMenu(platform::MF_SEPARATOR);
  AppendContextMenu(platform::MF_STRING, ID_EDIT_UNDO, "撤销");
  AppendContextMenu(platform::MF_STRING, ID_EDIT_REDO, "恢复");
}

void MainDialog::updateEditEntries() {
  const std::optional<FamilyTree::EditSummary> undoable = familyTree.nextUndo();
  const std::optional<FamilyTree::EditSummary> redoable = familyTree.nextRedo();
  std::string undo = entryText("撤销", undoable), redo = entryText("恢复", redoable);
  // Set only when changed, so that a command that edits nothing costs nothing here.
  if (undo != undoEntry_) {
    SetCommandEntry(ID_EDIT_UNDO, undoable.has_value(), undo);
    undoEntry_ = std::move(undo);
  }
  if (redo != redoEntry_) {
    SetCommandEntry(ID_EDIT_REDO, redoable.has_value(), redo);
    redoEntry_ = std::move(redo);
  }
}

void MainDialog::OnUndo() {
  clearKinshipPath();
  FamilyTree::EditSummary edit;
  if (!familyTree.undo(&edit)) {
    showText(kNothingToUndo);
    return;
  }
  showUndone(edit, true);
}

void MainDialog::OnRedo() {
  clearKinshipPath();
  FamilyTree::EditSummary edit;
  if (!familyTree.redo(&edit)) {
    showText(kNothingToRedo);
    return;
  }
  showUndone(edit, false);
}

void MainDialog::showUndone(const FamilyTree::EditSummary& edit, bool undone) {
  switch (edit.kind) {
    case FamilyTree::EditKind::kBirth:
      if (undone) {
        showChildRemoved(edit.person);
      } else {
        showNewChild(edit.person);
      }
      break;
    case FamilyTree::EditKind::kMarriage:
      // The husband's label names his wives as they are now.
      showNewName(undone ? edit.holder : edit.person);
      break;
    case FamilyTree::EditKind::kChange:
      if (edit.field == PersonField::kName) showNewName(edit.person);
      break;
  }
  selectPersonItem(edit.holder);
  showText(outcomeLine(edit, undone));
}

}  // namespace quillet
