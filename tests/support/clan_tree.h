// A genealogy loaded as the program loads home.txt, for tests that need linked persons without a
// window: the bytes are written in a temporary directory that is gone once they are loaded.
#pragma once

#include <string>
#include <string_view>

#include "core/family_tree.h"
#include "tests/support/find_person.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet::testing {

class ClanTree {
 public:
  explicit ClanTree(std::string_view homeText) {
    ScopedTempDir dir;
    writeFile("home.txt", homeText);
    loaded = tree.load();
  }
  // The person the program finds under the typed name, or null.
  Person* operator()(std::string_view name) { return findPerson(tree, name); }

  FamilyTree tree;
  bool loaded = false;
};

}  // namespace quillet::testing
