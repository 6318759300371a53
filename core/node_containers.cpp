#include "core/node_containers.h"

#include <new>

namespace quillet {

bool NodeStack::push(Person* person) {
  if (size_ >= kCapacity) return false;
  entries_[static_cast<std::size_t>(size_++)] = person;
  return true;
}

bool NodeStack::pop(Person*& out) {
  if (size_ == 0) return false;
  out = entries_[static_cast<std::size_t>(--size_)];
  return true;
}

bool NodeStack::peek(Person*& out) const {
  if (size_ == 0) {
    out = nullptr;
    return false;
  }
  out = entries_[static_cast<std::size_t>(size_ - 1)];
  return true;
}

bool NodeStack::clear() {
  size_ = 0;
  return true;
}

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
