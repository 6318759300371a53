#include <algorithm>

#include "core/family_tree.h"
#include "core/tree_record.h"

namespace quillet {

bool FamilyTree::addChild(const NameKey& childName, const NameKey& motherName, char sex,
                          const DateText& birthDate, Person** added) {
  Person* mother = nullptr;
  if (!findByName(mother, motherName) || mother->sex != 'f') return false;
  // A woman without a husband (a daughter of the clan) has nobody to be the child's father.
  Person* father = mother->spouse;
  if (father == nullptr) return false;

  Record* child = newRecord();
  child->name = childName;
  child->name[6] = '\0';
  child->birthDate = birthDate;
  child->birthDate[8] = '\0';
  child->sex = sex;
  child->motherIndex = father->spouse == mother ? '1' : '2';
  child->father = father;
  child->generation = static_cast<char>(father->generation + 1);
  index_->insert(child);

  int fatherGeneration = father->generation - '0';
  generationCount_ = fatherGeneration == 0 ? 0 : fatherGeneration + 1;

  if (father->firstChild == nullptr) {
    linkFirstChild(father, child);
  } else {
    Person* last = father->firstChild;
    while (last->youngerSibling != nullptr) last = last->youngerSibling;
    linkYoungerSibling(last, child);
  }
  ++personCount_;
  if (sex == 'f') ++femaleCount_;
  if (added != nullptr) *added = child;
  unsavedChanges_ = true;
  keptAsRead_ = false;
  return true;
}

bool FamilyTree::addWife(const NameKey& wifeName, const NameKey& husbandName,
                         const DateText& birthDate, Person** added) {
  Person* husband = nullptr;
  if (!findByName(husband, husbandName)) return false;
  // A man holds two wives at most.
  if (husband->spouse != nullptr && husband->secondWife != nullptr) return false;

  Record* wife = newRecord();
  wife->name = wifeName;
  wife->name[6] = '\0';
  wife->birthDate = birthDate;
  wife->birthDate[8] = '\0';
  wife->sex = 'f';
  wife->married = 'y';
  wife->generation = husband->generation;
  index_->insert(wife);

  linkSpouse(husband, husband->spouse != nullptr ? husband->secondWife : husband->spouse, wife);
  linkSpouse(wife, wife->spouse, husband);
  husband->married = 'y';
  ++personCount_;
  ++femaleCount_;
  if (added != nullptr) *added = wife;
  unsavedChanges_ = true;
  keptAsRead_ = false;
  return true;
}

bool FamilyTree::modifyField(Person* person, int selector, std::string_view value) {
  if (person == nullptr) return false;
  switch (selector) {
    case 1: {
      if (value.size() < 6) return false;
      NameKey key{};
      std::copy_n(value.begin(), 6, key.begin());
      Person* holder = nullptr;
      if (findByName(holder, key)) return holder == person;
      auto* record = static_cast<Record*>(person);
      if (record->name == key) return true;  // a record no search reaches, renamed to itself
      // A record no walk reaches keeps its name in the file: nobody else can take it.
      for (const Record* other = index_->first(key); other; other = other->nextSameKey) {
        if (other != record) return false;
      }
      const bool found = isFound(record);
      if (found) uncountFound(record);
      index_->erase(record);
      record->name = key;
      index_->insert(record);
      if (found) countFound(record);
      break;
    }
    case 2:
      person->sex = person->sex == 'm' ? 'f' : 'm';
      break;
    case 3:
      if (value.empty()) return false;
      if (person->generation == value[0]) return true;
      person->generation = value[0];
      break;
    case 4: {
      if (value.size() < 8) return false;
      const DateText date = makeDate(value);
      if (person->birthDate == date) return true;
      person->birthDate = date;
      break;
    }
    case 5:
      if (person->alive == 'y') {
        if (value.size() < 8) return false;
        person->alive = 'n';
        person->deathDate = makeDate(value);
      } else {
        person->alive = 'y';
        person->deathDate.reset();
      }
      break;
    default:
      return true;
  }
  unsavedChanges_ = true;
  keptAsRead_ = false;
  return true;
}

}  // namespace quillet
