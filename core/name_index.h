// The name index of the family tree: records by name key, reachable or not, and for each key a
// found word that the tree keeps (see FamilyTree's reach marks in core/tree_reach.cpp).
//
// Records are named by their sequence in the tree's store (reading and adding order). The index
// holds every record of the tree under its key (the bytes up to the first NUL, as keys compare):
// an open-addressing table of one record with each key, the others of a key (only a broken file
// or an edit makes any) kept aside. Beside each key it keeps one word for the tree: the number of
// records with the key that the post-order walk compares, none (kNoneFound), the one (its
// sequence + 1) or several (kSeveralFound, the tree orders them). A word is valid for one epoch
// of the tree's reach marks: a word of another epoch reads kNoneFound.
//
// Contract of the whole (index and reach marks): FamilyTree::findByName, which answers from them,
// returns exactly what the walk FamilyTree::findByNameByWalk returns, after any load, edit, undo
// or redo (tests/core/index_agreement_test.cpp checks it on random and shared-name trees).
//
// About 16 bytes a key; time constant on average. Standard library and platform/large_block.
// Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/person.h"
#include "platform/large_block.h"

namespace quillet {

class NameIndex {
 public:
  // The found words.
  static constexpr std::uint32_t kNoneFound = 0;
  static constexpr std::uint32_t kSeveralFound = 0xFFFFFFFF;

  // The key as a number (its 6 bytes, up to the first NUL): equal keys, equal numbers.
  static std::uint64_t pack(const NameKey& key);

  // Room for `records` keys without growing.
  void reserve(std::size_t records);
  // Asks the processor to fetch the slot of the key in the 6 bytes at `name` ahead of its use.
  void prefetch(const char* name) const;
  // Adds the record `sequence` under `key`. Throws std::bad_alloc when memory runs out.
  void insert(const NameKey& key, std::uint32_t sequence);
  // Removes the record `sequence` from under `key`; nothing when it is not there.
  void erase(const NameKey& key, std::uint32_t sequence);
  // A record with `key`, or nothing.
  std::optional<std::uint32_t> first(const NameKey& key) const;
  // True when a record other than `sequence` has `key`.
  bool heldByOther(const NameKey& key, std::uint32_t sequence) const;
  // The found word of `key` at `epoch` (a word of another epoch is reset to kNoneFound first),
  // or null when no record has the key. Valid until the next insert.
  std::uint32_t* found(const NameKey& key, std::uint16_t epoch);
  // The found word of `key` at `epoch`, kNoneFound when no record has the key.
  std::uint32_t foundAt(const NameKey& key, std::uint16_t epoch) const;
  // Every found word reads kNoneFound: for a tree whose epochs start again.
  void forgetFound();
  // No key, no room.
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

  platform::LargeBlock memory_;
  Slot* slots_ = nullptr;
  std::size_t slotCount_ = 0;
  // The slot last found holding its key: reading a record looks its key up more than once.
  mutable std::size_t lastSlot_ = 0;
  std::size_t used_ = 0;    // slots holding a key or an erased mark
  std::size_t shared_ = 0;  // records kept aside
  std::unordered_map<std::uint64_t, std::unordered_set<std::uint32_t>> aside_;  // beyond each head
};

}  // namespace quillet
