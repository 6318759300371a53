// The relationship query panel (group 人员关系): two names in, their kinship or a complaint out.
#include <string>

#include "app/main_dialog.h"
#include "core/family_tree.h"
#include "core/person.h"

namespace quillet {
namespace {

constexpr const char kNotInClan[] =
    "\r\n\r\n\r\n               您输入的人员中有一个或全部非贾氏家族成员，本软件现只支持单家族版本";
constexpr const char kIncomplete[] = "\r\n\r\n\r\n     您的输入不完整，请补充完整!";
constexpr const char kBothEmpty[] = "\r\n\r\n\r\n     您没有在输入框中输入关健字，请补充完整!";

}  // namespace

// Each later check overwrites what an earlier one wrote, so the complaint about empty inputs
// beats the one about short inputs, which beats the one about unknown names.
void MainDialog::OnRelationQuery() {
  UpdateData(true);

  NameKey firstKey{};
  NameKey secondKey{};
  Person* first = nullptr;
  Person* second = nullptr;
  makeNameKey(relationFirstName, firstKey);
  familyTree.findByName(first, firstKey);
  makeNameKey(relationSecondName, secondKey);
  familyTree.findByName(second, secondKey);

  clearKinshipPath();
  bool worded = false;
  if (first == nullptr || second == nullptr) {
    displayText = kNotInClan;
  } else {
    // The second person goes first: of one generation, the first name typed is named first.
    std::string kinship;
    FamilyTree::describeKinship(*second, *first, kinship);
    displayText.clear();
    displayText += kinship;
    worded = !kinship.empty();
  }
  if (relationFirstName.size() < kFullNameBytes || relationSecondName.size() < kFullNameBytes) {
    displayText = kIncomplete;
    worded = false;
  }
  if (relationFirstName.empty() && relationSecondName.empty()) displayText = kBothEmpty;
  // A worded kinship lights its path in the tree, from the first name typed to the second.
  if (worded) markKinshipPath(*first, *second);

  UpdateData(false);
}

void MainDialog::OnResetRelation() {
  clearKinshipPath();
  UpdateData(true);
  relationFirstName.clear();
  relationSecondName.clear();
  UpdateData(false);
}

}  // namespace quillet
