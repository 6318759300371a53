// Private to the family tree: the record as the tree stores it, and the name index.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/family_tree.h"

namespace quillet {

// A Person plus the tree's own bookkeeping. Every Person a FamilyTree hands out is one of these.
struct FamilyTree::Record : Person {
  std::uint32_t sequence = 0;  // place in reading and adding order
  bool released = false;       // released at exit: no longer part of the tree

  // Reach marks, valid only while `reachEpoch` equals the tree's epoch: `visited` is set while
  // the depth-first walk visits the record as a clan member; `holderCount` counts the visited
  // members that hold the record as spouse or secondWife, `holder` and `holderSlot` name the one
  // when there is one.
  std::uint32_t reachEpoch = 0;
  bool visited = false;
  std::uint8_t holderSlot = 0;
  std::uint32_t holderCount = 0;
  const Record* holder = nullptr;

  // Where the walk visits the member, kept after it is no longer visited: the member whose
  // first-child chain holds it (null for the root's chain), its depth there (the root's is 1),
  // its place in that chain (the chain's first is 0; numbers only grow along a chain), and an
  // ancestor to skip to (Myers' skew-binary jump: a walk up to any depth takes logarithmic time;
  // the member itself in the root's chain).
  const Record* walkParent = nullptr;
  const Record* jump = nullptr;
  std::uint32_t chainIndex = 0;
  std::uint32_t walkDepth = 0;

  // The name fields as the file gave them, kept so that a record the walks cannot reach is
  // written back with the names it could not resolve. Absent-name fields for added records.
  std::array<char, 6> fileFather{'0', ' ', ' ', ' ', ' ', ' '};
  std::array<char, 6> fileOlderSibling{'0', ' ', ' ', ' ', ' ', ' '};
  std::array<char, 6> fileHusband{'0', ' ', ' ', ' ', ' ', ' '};

  // Per-walk marks: a walk with a new stamp treats every record as not yet seen, and none walks
  // a record twice.
  std::uint32_t walkStamp = 0;

  Record* nextSameKey = nullptr;  // the index's chain of records with one key
};

// The records in reading and adding order, allocated a few hundred at a time: few allocations,
// neighbours in memory, and addresses that never move. A chunk stays below the allocator's
// threshold for mapping fresh pages, so a second load reuses the memory of the first.
class FamilyTree::RecordStore {
 public:
  static constexpr std::size_t kChunk = 256;

  Record& emplace_back() {
    if (count_ % kChunk == 0) chunks_.push_back(std::make_unique<Record[]>(kChunk));
    Record& record = chunks_.back()[count_ % kChunk];
    ++count_;
    return record;
  }
  Record& operator[](std::size_t i) { return chunks_[i / kChunk][i % kChunk]; }
  const Record& operator[](std::size_t i) const { return chunks_[i / kChunk][i % kChunk]; }
  Record* last() { return count_ == 0 ? nullptr : &(*this)[count_ - 1]; }
  std::size_t size() const { return count_; }
  void clear() {
    chunks_.clear();
    count_ = 0;
  }

 private:
  std::vector<std::unique_ptr<Record[]>> chunks_;
  std::size_t count_ = 0;
};

// Records by name key (the bytes up to the first NUL, as keys compare), reachable or not: an
// open-addressing table of the last record added with each key; records of one key are chained
// through nextSameKey. Each key also counts the records with it that the walk compares (`Found`,
// valid while `epoch` is the tree's).
class FamilyTree::NameIndex {
 public:
  struct Found {
    const Record* one = nullptr;  // the record, when the count is 1
    std::uint32_t count = 0;
    std::uint32_t epoch = 0;
  };

  static std::uint64_t pack(const NameKey& key);

  // Room for `records` keys without growing.
  void reserve(std::size_t records);
  // Asks the processor to fetch the slot of the key in the 6 bytes at `name` ahead of its use.
  void prefetch(const char* name) const;
  void insert(Record* record);
  void erase(Record* record);
  Record* first(const NameKey& key) const;
  // The found count of `key`, or null when no record has it. Valid until the next insert.
  Found* found(const NameKey& key);
  const Found* found(const NameKey& key) const;
  void clear();
  // True when two records share a key.
  bool hasSharedKeys() const;

 private:
  struct Slot {
    std::uint64_t key = 0;   // the packed key (48 bits); kErased marks a slot whose key went
    Record* head = nullptr;  // null in a slot never used, or whose key was erased
    Found found;
  };
  static constexpr std::uint64_t kErased = std::uint64_t{1} << 63;
  std::size_t find(std::uint64_t key) const;  // the slot of `key`, or of the empty slot ending
                                              // its probe sequence
  void rehash(std::size_t slots);

  std::vector<Slot> slots_;
  // The slot last found holding its key: reading a record looks its key up more than once.
  mutable std::size_t lastSlot_ = 0;
  std::size_t used_ = 0;    // slots holding a key or an erased mark
  std::size_t shared_ = 0;  // records that follow another of the same key in a chain
};

// Breadth-first from the root: `visit(member)` for each clan member, generation by generation,
// children in chain order, each once. False when there is no root.
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
