// Private to the family tree: the record as the tree stores it, and the name index.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>

#include "core/family_tree.h"

namespace quillet {

// A Person plus the tree's own bookkeeping. Every Person a FamilyTree hands out is one of these.
struct FamilyTree::Record : Person {
  std::uint32_t sequence = 0;  // place in reading and adding order

  // Reach marks, valid only while `reachEpoch` equals the tree's epoch:
  // `memberLevel` is the shallowest level (1 = root) at which the depth-first walk visits the
  // record as a clan member, 0 when it does not; `foundAsPartner` is set when a visited member
  // holds the record as his spouse or secondWife.
  std::uint32_t reachEpoch = 0;
  std::uint8_t memberLevel = 0;
  bool foundAsPartner = false;

  // The name fields as the file gave them, kept so that a record the walks cannot reach is
  // written back with the names it could not resolve. Absent-name fields for added records.
  std::array<char, 6> fileFather{'0', ' ', ' ', ' ', ' ', ' '};
  std::array<char, 6> fileOlderSibling{'0', ' ', ' ', ' ', ' ', ' '};
  std::array<char, 6> fileHusband{'0', ' ', ' ', ' ', ' ', ' '};

  // Per-walk marks: a walk with a new stamp treats every record as not yet seen. They keep a
  // record that a broken file links twice from being walked (and written or listed) twice.
  std::uint32_t walkStamp = 0;
  std::uint8_t walkLevel = 0;

  Record* nextSameKey = nullptr;  // the index's chain of records with one key
};

// Records by name key (the bytes up to the first NUL, as keys compare), reachable or not.
class FamilyTree::NameIndex {
 public:
  static std::uint64_t pack(const NameKey& key);

  void insert(Record* record);
  void erase(Record* record);
  Record* first(const NameKey& key) const;
  // True when two records share a key.
  bool hasSharedKeys() const;
  void clear() { heads_.clear(); }

 private:
  std::unordered_map<std::uint64_t, Record*> heads_;
};

// Breadth-first from the root: `visit(member)` for each clan member, generation by generation,
// children in chain order. A member linked twice by a broken file is visited once. False when
// there is no root.
template <typename Visit>
bool FamilyTree::walkBreadthFirst(Visit&& visit) {
  queue_.clear();
  if (root_ == nullptr) return false;
  std::uint32_t stamp = ++walkStamp_;
  auto enqueueOnce = [&](Person* person) {
    auto* record = static_cast<Record*>(person);
    if (record->walkStamp == stamp) return;
    record->walkStamp = stamp;
    queue_.enqueue(person);
  };
  enqueueOnce(root_);
  Person* person = nullptr;
  while (queue_.dequeue(person)) {
    visit(person);
    for (Person* child = person->firstChild; child != nullptr; child = child->youngerSibling) {
      enqueueOnce(child);
    }
  }
  queue_.clear();
  return true;
}

}  // namespace quillet
