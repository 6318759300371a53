#include "core/node_containers.h"

#include <new>

namespace quillet {

bool NodeQueue::enqueue(Person* person) {
  try {
    entries_.push_back(person);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool NodeQueue::dequeue(Person*& out) {
  if (entries_.empty()) {
    out = nullptr;
    return false;
  }
  out = entries_.front();
  entries_.pop_front();
  return true;
}

bool NodeQueue::clear() {
  entries_.clear();
  return true;
}

}  // namespace quillet
