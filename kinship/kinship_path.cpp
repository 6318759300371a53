#include <algorithm>
#include <cstddef>
#include <unordered_map>

#include "kinship/kinship.h"

namespace quillet {

const Person& treePlaceOf(const Person& person) {
  return person.sex == 'f' && person.spouse != nullptr ? *person.spouse : person;
}

namespace {

// One upward walk: the members it passed, bottom first, and where each stands in that list.
struct UpwardWalk {
  std::vector<const Person*> passed;
  std::unordered_map<const Person*, std::size_t> placeOf;
  bool stopped = false;

  explicit UpwardWalk(const Person& start) {
    passed.push_back(&start);
    placeOf.emplace(&start, 0);
  }
  // One step up; the member reached, or null once the walk has stopped.
  const Person* step() {
    if (stopped) return nullptr;
    const Person* up = passed.back()->father;
    if (up == nullptr || placeOf.contains(up)) {
      stopped = true;
      return nullptr;
    }
    placeOf.emplace(up, passed.size());
    passed.push_back(up);
    return up;
  }
};

}  // namespace

bool kinshipPath(const Person& p, const Person& q, std::vector<const Person*>& path) {
  path.clear();
  UpwardWalk fromP(treePlaceOf(p));
  UpwardWalk fromQ(treePlaceOf(q));
  // The first member both walks have passed is the nearest common one: a member above it is
  // reached later by both walks, so no earlier than it.
  const Person* meeting =
      fromQ.placeOf.contains(fromP.passed.front()) ? fromP.passed.front() : nullptr;
  while (meeting == nullptr && !(fromP.stopped && fromQ.stopped)) {
    const Person* up = fromP.step();
    if (up != nullptr && fromQ.placeOf.contains(up)) {
      meeting = up;
      break;
    }
    up = fromQ.step();
    if (up != nullptr && fromP.placeOf.contains(up)) meeting = up;
  }
  if (meeting == nullptr) return false;
  const std::size_t upP = fromP.placeOf.at(meeting);
  const std::size_t upQ = fromQ.placeOf.at(meeting);
  path.assign(fromP.passed.begin(), fromP.passed.begin() + static_cast<std::ptrdiff_t>(upP) + 1);
  for (std::size_t i = upQ; i-- > 0;) path.push_back(fromQ.passed[i]);
  return true;
}

}  // namespace quillet
