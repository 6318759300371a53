#include "core/node_containers.h"

#include <new>

namespace quillet {

bool NodeStack::push(Person* person) {
  try {
    entries_.push_back(person);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool NodeStack::pop(Person*& out) {
  if (entries_.empty()) return false;
  out = entries_.back();
  entries_.pop_back();
  return true;
}

bool NodeStack::peek(Person*& out) const {
  out = entries_.empty() ? nullptr : entries_.back();
  return !entries_.empty();
}

void NodeStack::clear() { entries_.clear(); }

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

void NodeQueue::clear() { entries_.clear(); }

}  // namespace quillet
