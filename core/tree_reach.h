// Private to the family tree: its reach marks, which say which records the post-order walk of
// findByName compares and where, kept up to date as records are linked and unlinked, so that the
// name index (core/name_index.h) answers findByName exactly as the walk would (see
// core/tree_reach.cpp for how).
//
// The tree links records only through linkFirstChild, linkYoungerSibling and linkSpouse while
// reach is kept (reading and edits), and brackets every other change of a compared record's key
// or place with uncountFound and countFound. Not thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <unordered_map>

#include "core/family_tree.h"
#include "core/name_index.h"
#include "core/tree_record.h"

namespace quillet {

class FamilyTree::Reach {
 public:
  Reach(RecordStore& records, NameIndex& index) : records_(records), index_(index) {}

  // Nothing is reached: a new epoch, no side tables.
  void clear();
  // The walks start from `root` (null: nothing is reached).
  void start(Person* root);
  // Links the tree's records as the walks then meet them (see family_tree.h's link invariants):
  // `child` as first child of `father`, `younger` after `older`, `partner` in `slot` of `holder`.
  void linkFirstChild(Person* father, Person* child);
  void linkYoungerSibling(Person* older, Person* younger);
  void linkSpouse(Person* holder, Person*& slot, Person* partner);
  // The chain from `first` on, with all it carries, is no longer visited.
  void detachChain(Record* first);

  // Whether the walk compares `record` (as a member or as a partner); visits `person` as a member.
  bool isFound(const Record* record) const;
  bool isVisited(const Person* person) const;
  // Count and uncount a compared record under its key: see tree_reach.cpp.
  void countFound(Record* record);
  void uncountFound(Record* record);
  // The compared record with `key`, the first compared of several; null when none has it.
  Record* foundWithKey(const NameKey& key) const;

 private:
  // A place where the post-order walk compares a record: as the member `member` itself (slot 0)
  // or as his spouse (1) or secondWife (2).
  struct Occurrence {
    const Record* member = nullptr;
    std::uint8_t slot = 0;
  };
  struct OccurrenceLess {
    const Reach* reach;
    bool operator()(const Occurrence& a, const Occurrence& b) const;
  };
  struct FirstOccurrenceLess {
    const Reach* reach;
    bool operator()(const Record* a, const Record* b) const;
  };

  Record* recordAt(std::uint32_t sequence) const;
  const Record* walkParentOf(const Record* member) const;
  void advanceEpoch();
  void touch(Record* record) const;
  void visitMember(Record* record, const Record* walkParent, std::uint32_t depth,
                   std::uint32_t chainIndex);
  void addHolder(Record* partner, const Record* member, std::uint8_t slot);
  void removeHolder(Record* partner, const Record* member, std::uint8_t slot);
  std::optional<Occurrence> firstOccurrence(const Record* record) const;
  bool memberPrecedes(const Record* a, const Record* b) const;

  RecordStore& records_;
  NameIndex& index_;
  std::uint16_t epoch_ = 1;  // reach marks and found words of other epochs are stale
  // The records of one key that the walk compares, first compared first (keys that more than one
  // such record has); the members holding a record as partner (records that more than one member
  // holds); the walk parent of each member whose walk parent is not his father.
  std::unordered_map<std::uint64_t, std::set<const Record*, FirstOccurrenceLess>> sharedFound_;
  std::unordered_map<const Record*, std::set<Occurrence, OccurrenceLess>> holders_;
  std::unordered_map<const Record*, const Record*> walkParents_;
};

}  // namespace quillet
