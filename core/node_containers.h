// The two traversal containers of the tree's walks.
//
// NodeStack serves the depth-first walks. It holds at most 39 entries (a walk of a tree of 38
// levels needs one entry per level and one null entry); a null pointer is a valid entry.
// NodeQueue serves the breadth-first walks and has no fixed capacity.
//
// Each FamilyTree owns one of each; walks over one tree must not nest, because every search by
// name empties both. Not thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <deque>

#include "core/person.h"

namespace quillet {

class NodeStack {
 public:
  static constexpr int kCapacity = 39;

  // False when 39 entries are already held; nothing is stored then.
  bool push(Person* person);
  // False when empty; otherwise `out` receives the top entry, which is removed.
  bool pop(Person*& out);
  // False and `out` null when empty; otherwise `out` receives the top entry, which stays.
  bool peek(Person*& out) const;
  bool isEmpty() const { return size_ == 0; }
  int size() const { return size_; }
  bool clear();

 private:
  std::array<Person*, kCapacity> entries_{};
  int size_ = 0;
};

class NodeQueue {
 public:
  // False only when no room could be had for the entry (nothing is added then).
  bool enqueue(Person* person);
  // False and `out` null when empty; otherwise `out` receives the first entry, which is removed.
  bool dequeue(Person*& out);
  bool isEmpty() const { return entries_.empty(); }
  bool clear();

 private:
  std::deque<Person*> entries_;
};

}  // namespace quillet
