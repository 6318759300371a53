// Private to the family tree: the record as the tree stores it and the store of records (the
// name index, core/name_index.h, names records by their sequence here).
//
// A large genealogy's start is bounded by the memory it touches, so each person costs little
// beyond his Person: 24 bytes of bookkeeping in the record and 16 bytes or so in the index.
// Records refer to each other there by sequence number (4 bytes rather than a pointer's 8), and
// what only a broken file or a rare case needs is kept in side tables of the tree (name fields
// that named nobody the reading found, a walk parent other than the father, several holders of
// one partner, several records of one name).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/family_tree.h"
#include "core/name_index.h"
#include "platform/large_block.h"

namespace quillet {

// A Person plus the tree's own bookkeeping. Every Person a FamilyTree hands out is one of these.
struct FamilyTree::Record : Person {
  // Bits of `flags`.
  static constexpr std::uint8_t kReleased = 1;  // released at exit or taken back: not in the tree
  // Reach marks, valid only while `reachEpoch` equals the tree's epoch: the depth-first walk
  // visits the record as a clan member; one visited member holds it as spouse or secondWife
  // (`holder`, `holderSlot`); more than one do (the reach's holders_ lists them).
  static constexpr std::uint8_t kVisited = 2;
  static constexpr std::uint8_t kHeldOnce = 4;
  static constexpr std::uint8_t kHeldMore = 8;
  // The member's walk parent is not his father: the reach's walkParents_ names it.
  static constexpr std::uint8_t kWalkParentAside = 16;
  // A mark a walk sets on the records it meets and clears before it returns.
  static constexpr std::uint8_t kMet = 32;

  std::uint32_t sequence = 0;  // place in reading and adding order
  std::uint32_t holder = 0;    // kHeldOnce: the holding member's sequence
  // Where the walk visits the member, kept after it is no longer visited: its depth in the walk
  // (the root's is 1), its place in its first-child chain (the chain's first is 0; numbers only
  // grow along a chain), and an ancestor to skip to (Myers' skew-binary jump: a walk up to any
  // depth takes logarithmic time; the member itself in the root's chain). The member whose
  // first-child chain holds it, its walk parent, is its father but where kWalkParentAside says.
  std::uint32_t jump = 0;
  std::uint32_t chainIndex = 0;
  std::uint32_t walkDepth = 0;
  std::uint16_t reachEpoch = 0;
  std::uint8_t flags = 0;
  std::uint8_t holderSlot = 0;  // kHeldOnce: 1 spouse, 2 secondWife

  bool has(std::uint8_t flag) const { return (flags & flag) != 0; }
  void set(std::uint8_t flag, bool on) {
    flags = static_cast<std::uint8_t>(on ? flags | flag : flags & ~flag);
  }
};

// The records in reading and adding order: one block as large as the file can need, taken at
// once, then blocks of kChunk records for those added. Addresses never move.
class FamilyTree::RecordStore {
 public:
  static constexpr std::size_t kChunk = 4096;
  static_assert(sizeof(Record) <= sizeof(Person) + 24, "a record's bookkeeping grew");
  static_assert(std::is_trivially_destructible_v<Record>);

  // Room for `records` in the first block. REQUIRES: the store is empty.
  void reserve(std::size_t records) {
    if (count_ != 0 || records <= capacity_) return;
    blocks_.clear();
    addBlock(records);
    first_ = records;
  }
  // Throws std::bad_alloc when no memory is had.
  Record& emplace_back() {
    if (count_ == capacity_) {
      addBlock(kChunk);
      if (blocks_.size() == 1) first_ = kChunk;
    }
    Record* record = new (at(count_)) Record();
    record->sequence = static_cast<std::uint32_t>(count_);
    ++count_;
    return *record;
  }
  Record& operator[](std::size_t i) { return *at(i); }
  const Record& operator[](std::size_t i) const { return *at(i); }
  Record* last() { return count_ == 0 ? nullptr : at(count_ - 1); }
  std::size_t size() const { return count_; }
  void clear() {
    blocks_.clear();
    count_ = 0;
    capacity_ = 0;
    first_ = 0;
  }

 private:
  struct Block {
    platform::LargeBlock memory;
    Record* records;
  };
  void addBlock(std::size_t records) {
    platform::LargeBlock memory(records * sizeof(Record));
    auto* start = static_cast<Record*>(memory.data());
    blocks_.push_back(Block{std::move(memory), start});
    capacity_ += records;
  }
  Record* at(std::size_t i) const {
    if (i < first_) return blocks_.front().records + i;
    const std::size_t rest = i - first_;
    return blocks_[1 + rest / kChunk].records + rest % kChunk;
  }

  std::vector<Block> blocks_;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
  std::size_t first_ = 0;  // records of the first block
};

// Breadth-first from the root: `visit(member)` for each clan member, generation by generation,
// children in chain order, each once. False when there is no root.
template <typename Visit>
bool FamilyTree::walkBreadthFirst(Visit&& visit) {
  queue_.clear();
  if (root_ == nullptr) return false;
  std::vector<bool> met(records_->size(), false);
  auto enqueueOnce = [&](Person* person) {
    auto* record = static_cast<Record*>(person);
    if (met[record->sequence]) return;
    met[record->sequence] = true;
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
