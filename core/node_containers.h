// The two traversal containers of the tree's walks.
//
// NodeStack serves the depth-first walk: one entry a level from the root down to the deepest
// person reached, and one null entry (a null pointer is a valid entry). It grows with the tree's
// depth, so no number of levels limits the walk (the original's stack held 39 entries, and every
// person below the 38th level was lost to the walk). NodeQueue serves the breadth-first walks.
// Neither has a fixed capacity.
//
// Each FamilyTree owns one of each; walks over one tree must not nest, because every search by
// name empties both. Not thread-safe.
#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "core/person.h"

namespace quillet {

class NodeStack {
 public:
  // False only when no room could be had for the entry (nothing is stored then).
  bool push(Person* person);
  // False when empty; otherwise `out` receives the top entry, which is removed.
  bool pop(Person*& out);
  // False and `out` null when empty; otherwise `out` receives the top entry, which stays.
  bool peek(Person*& out) const;
  bool isEmpty() const { return entries_.empty(); }
  void clear();

 private:
  std::vector<Person*> entries_;
};

class NodeQueue {
 public:
  // False only when no room could be had for the entry (nothing is added then).
  bool enqueue(Person* person);
  // False and `out` null when empty; otherwise `out` receives the first entry, which is removed.
  bool dequeue(Person*& out);
  bool isEmpty() const { return entries_.empty(); }
  void clear();

 private:
  std::deque<Person*> entries_;
};

}  // namespace quillet
