// The one way from a typed name to a person in tests (no GBK literal here: Qt tests include it).
#pragma once

#include <string_view>

#include "core/family_tree.h"
#include "core/person.h"

namespace quillet::testing {

// The person the program finds under the typed name, or null.
inline Person* findPerson(FamilyTree& tree, std::string_view typed) {
  NameKey key{};
  makeNameKey(typed, key);
  Person* person = nullptr;
  tree.findByName(person, key);
  return person;
}

}  // namespace quillet::testing
