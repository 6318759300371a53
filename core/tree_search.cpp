#include <cstring>
#include <vector>

#include "core/family_tree.h"
#include "core/tree_reach.h"
#include "core/tree_record.h"

namespace quillet {

namespace {

bool sameKey(const NameKey& a, const NameKey& b) { return keyText(a) == keyText(b); }

}  // namespace

bool FamilyTree::findByName(Person*& result, const NameKey& key) {
  result = nullptr;
  if (root_ == nullptr) return false;
  // The index counts, for each key, the records the walk compares, and keeps several in the
  // order the walk compares them: the first is the walk's answer.
  result = reach_->foundWithKey(key);
  return result != nullptr;
}

// findByName with a guess: a file in save order names, in each record, persons met just before
// it (the previous record, its father, its husband, his father). While no two records share a
// key, a record with the key that the walk compares is the answer, so a matching guess spares
// the index lookup.
Person* FamilyTree::findByNameNear(const NameKey& key, Record* previous) {
  if (previous != nullptr && root_ != nullptr && !index_->hasSharedKeys()) {
    Person* husband = previous->spouse;
    for (Person* guess : {static_cast<Person*>(previous), previous->father, husband,
                          husband != nullptr ? husband->father : nullptr}) {
      if (guess != nullptr && sameKey(guess->name, key) &&
          reach_->isFound(static_cast<Record*>(guess))) {
        return guess;
      }
    }
  }
  Person* found = nullptr;
  findByName(found, key);
  return found;
}

// The depth-first post-order walk that defines what findByName returns: each member after all
// his descendants, the children of one father in chain order, each member's wives right after
// him, the root last (then the root's younger siblings, if a file gave it any). Its stack grows
// with the tree's depth, one entry a level and one null.
bool FamilyTree::findByNameByWalk(Person*& result, const NameKey& key) {
  result = nullptr;
  queue_.clear();
  stack_.clear();
  if (root_ == nullptr) return false;
  std::vector<bool> met(records_->size(), false);
  stack_.push(root_);
  for (;;) {
    // Descend along first children; a member met before is not descended again.
    Person* top = nullptr;
    for (stack_.peek(top); top != nullptr; stack_.peek(top)) {
      const std::uint32_t sequence = static_cast<Record*>(top)->sequence;
      const bool seen = met[sequence];
      met[sequence] = true;
      if (!stack_.push(seen ? nullptr : top->firstChild)) return false;
    }
    Person* person = nullptr;
    stack_.pop(person);
    if (!stack_.pop(person)) return false;
    for (Person* candidate : {person, person->spouse, person->secondWife}) {
      if (candidate != nullptr && sameKey(candidate->name, key)) {
        result = candidate;
        stack_.clear();
        return true;
      }
    }
    if (!stack_.push(person->youngerSibling)) return false;
  }
}

bool FamilyTree::listByGeneration(char generation, std::vector<Person*>& list) {
  list.clear();
  if (generation < '0' || generation > '9') return false;
  return walkBreadthFirst([&](Person* member) {
    if (member->generation != generation) return;
    list.push_back(member);
    if (member->spouse) list.push_back(member->spouse);
    if (member->secondWife) list.push_back(member->secondWife);
  });
}

bool FamilyTree::listBySex(char sex, std::vector<Person*>& list) {
  list.clear();
  return walkBreadthFirst([&](Person* member) {
    if (member->sex != sex) {
      if (member->spouse) list.push_back(member->spouse);
      if (member->secondWife) list.push_back(member->secondWife);
    } else if (member != root_) {
      list.push_back(member);
    }
  });
}

bool FamilyTree::listByAlive(char alive, std::vector<Person*>& list) {
  list.clear();
  return walkBreadthFirst([&](Person* member) {
    if (member != root_ && member->alive == alive) list.push_back(member);
    if (member->spouse && member->spouse->alive == alive) list.push_back(member->spouse);
    if (member->secondWife && member->secondWife->alive == alive) {
      list.push_back(member->secondWife);
    }
  });
}

int FamilyTree::siblingRank(const Person& person) {
  if (person.father == nullptr) return person.generation == '1' && person.sex == 'm' ? 1 : 0;
  int rank = 0;
  for (const Person* child = person.father->firstChild; child; child = child->youngerSibling) {
    ++rank;
    if (child == &person) break;
  }
  return rank;
}

int FamilyTree::compareBirth(const Person& a, const Person& b) {
  return std::strcmp(b.birthDate.data(), a.birthDate.data());
}

}  // namespace quillet
