// The relationship query panel (group 人员关系): two names in, their kinship or a complaint out.
#include <string>
#include <string_view>

#include "app/main_dialog.h"
#include "core/family_tree.h"
#include "core/person.h"
#include "kinship/exact_terms.h"
#include "kinship/kinship.h"

namespace quillet {
namespace {

constexpr const char kNotInClan[] =
    "\r\n\r\n\r\n               您输入的人员中有一个或全部非贾氏家族成员，本软件现只支持单家族版本";
constexpr const char kIncomplete[] = "\r\n\r\n\r\n     您的输入不完整，请补充完整!";
constexpr const char kBothEmpty[] = "\r\n\r\n\r\n     您没有在输入框中输入关健字，请补充完整!";

std::string_view trimmedName(const Person& person) {
  std::string_view name = keyText(person.name);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// A称B为TERM.
void appendExactTerm(std::string& line, const Person& speaker, const Person& addressee) {
  line += trimmedName(speaker);
  line += "称";
  line += trimmedName(addressee);
  line += "为";
  line += exactTerm(speaker, addressee);
}

// The line of the exact terms (精确称谓) of `first` and `second`, one way and the other.
std::string exactTermsLine(const Person& first, const Person& second) {
  std::string line = "\r\n\r\n  精确称谓：";
  appendExactTerm(line, first, second);
  line += "；";
  appendExactTerm(line, second, first);
  return line;
}

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
    describeKinship(*second, *first, kinship);
    displayText.clear();
    displayText += kinship;
    worded = !kinship.empty();
  }
  if (relationFirstName.size() < kFullNameBytes || relationSecondName.size() < kFullNameBytes) {
    displayText = kIncomplete;
    worded = false;
  }
  if (relationFirstName.empty() && relationSecondName.empty()) displayText = kBothEmpty;
  // A worded kinship lights its path in the tree, from the first name typed to the second, and
  // with 精确称谓 on is followed by the exact terms of two persons.
  if (worded) markKinshipPath(*first, *second);
  if (worded && exactTerms_ && first != second) displayText += exactTermsLine(*first, *second);

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
