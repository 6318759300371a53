// The traversal container of the tree's breadth-first walks. (The depth-first walk keeps a stack
// of its own that grows with the tree's depth: no fixed number of levels limits it.)
//
// NodeQueue has no fixed capacity. Each FamilyTree owns one; walks over one tree must not nest,
// because every search by name empties it. Not thread-safe.
#pragma once

#include <cstddef>
#include <deque>

#include "core/person.h"

namespace quillet {

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
