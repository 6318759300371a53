// Private to the family tree: the record as the tree stores it, the store of records and the
// name index.
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
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/family_tree.h"
#include "platform/large_block.h"

namespace quillet {

// A Person plus the tree's own bookkeeping. Every Person a FamilyTree hands out is one of these.
struct FamilyTree::Record : Person {
  // Bits of `flags`.
  static constexpr std::uint8_t kReleased = 1;  // released at exit or taken back: not in the tree
  // Reach marks, valid only while `reachEpoch` equals the tree's epoch: the depth-first walk
  // visits the record as a clan member; one visited member holds it as spouse or secondWife
  // (`holder`, `holderSlot`); more than one do (the tree's holders_ lists them).
  static constexpr std::uint8_t kVisited = 2;
  static constexpr std::uint8_t kHeldOnce = 4;
  static constexpr std::uint8_t kHeldMore = 8;
  // The member's walk parent is not his father: the tree's walkParents_ names it.
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

// Records by name key (the bytes up to the first NUL, as keys compare), reachable or not: an
// open-addressing table of one record with each key; the others of a key (only a broken file or
// an edit makes any) are kept aside. Each key also counts the records with it that the walk
// compares (its found word, valid while the slot's epoch is the tree's).
class FamilyTree::NameIndex {
 public:
  // A found word: none compared, the one compared (its sequence + 1), or several (the tree's
  // sharedFound_ orders them).
  static constexpr std::uint32_t kNoneFound = 0;
  static constexpr std::uint32_t kSeveralFound = 0xFFFFFFFF;

  explicit NameIndex(RecordStore& records) : records_(records) {}

  static std::uint64_t pack(const NameKey& key);

  // Room for `records` keys without growing.
  void reserve(std::size_t records);
  // Asks the processor to fetch the slot of the key in the 6 bytes at `name` ahead of its use.
  void prefetch(const char* name) const;
  // Throws std::bad_alloc when memory runs out.
  void insert(Record* record);
  void erase(Record* record);
  // A record with `key`, or null.
  Record* first(const NameKey& key) const;
  // True when a record other than `record` has `key`.
  bool heldByOther(const NameKey& key, const Record* record) const;
  // The found word of `key` at `epoch` (a word of another epoch reads kNoneFound), or null when
  // no record has the key. Valid until the next insert.
  std::uint32_t* found(const NameKey& key, std::uint16_t epoch);
  std::uint32_t foundAt(const NameKey& key, std::uint16_t epoch) const;
  // Every found word reads kNoneFound: for a tree whose epochs start again.
  void forgetFound();
  void clear();
  // True when two records share a key.
  bool hasSharedKeys() const { return shared_ != 0; }

 private:
  struct Slot {
    std::uint64_t word;  // the packed key (48 bits) and the found word's epoch above it, or
                         // kErased in a slot whose key was erased
    std::uint32_t head;  // a record with the key (its sequence + 1); 0 in a free slot
    std::uint32_t found;
  };
  static constexpr std::uint64_t kKeyMask = (std::uint64_t{1} << 48) - 1;
  static constexpr std::uint64_t kErased = ~std::uint64_t{0};
  std::size_t home(std::uint64_t key) const;
  // The slot of `key`, or of the free slot ending its probe sequence.
  std::size_t find(std::uint64_t key) const;
  void rehash(std::size_t slots);
  Record* recordOf(std::uint32_t head) const { return head == 0 ? nullptr : &records_[head - 1]; }

  RecordStore& records_;
  platform::LargeBlock memory_;
  Slot* slots_ = nullptr;
  std::size_t slotCount_ = 0;
  // The slot last found holding its key: reading a record looks its key up more than once.
  mutable std::size_t lastSlot_ = 0;
  std::size_t used_ = 0;    // slots holding a key or an erased mark
  std::size_t shared_ = 0;  // records kept aside
  std::unordered_map<std::uint64_t, std::unordered_set<Record*>> aside_;  // beyond each head
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
